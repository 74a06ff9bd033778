// Appends 100,000 chat lines of mixed length to the chat log view, then resizes it and changes its
// font, and prints what each costs: per appended line as the view fills, one full re-measure, and
// the memory each line takes.
#include "teskchat/chat_log_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QHeaderView>
#include <QRandomGenerator>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

QString MakeMessage(QRandomGenerator& random) {
    static const QString kana = QString::fromUtf8("あいうえおかきくけこさしすせそたちつてとなにぬねの漢字変換チャット");
    const int length = 1 + static_cast<int>(random.bounded(120));
    QString text;
    text.reserve(length);
    for (int i = 0; i < length; ++i) {
        const quint32 pick = random.bounded(4);
        if (pick == 0) text += QLatin1Char(' ');
        else if (pick == 1) text += QLatin1Char(static_cast<char>('a' + random.bounded(26)));
        else text += kana.at(static_cast<int>(random.bounded(static_cast<quint32>(kana.size()))));
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication::setAttribute(Qt::AA_Use96Dpi);
    QApplication app(argc, argv);
    constexpr int kLines = 100000;
    constexpr int kBatch = 10000;

    QFont font(QStringLiteral("VL PGothic"));
    font.setPointSize(9);
    teskchat::ChatLogView view;
    view.resize(600, 400);
    view.SetColumns(QStringLiteral("name"), QStringLiteral("id"), QStringLiteral("message"));
    view.SetChatFont(font);
    view.show();
    view.ResizeColumns(view.viewport()->width());
    QApplication::processEvents();

    QRandomGenerator random(7);
    std::vector<QString> messages;
    messages.reserve(kLines);
    for (int i = 0; i < kLines; ++i) messages.push_back(MakeMessage(random));
    const QString names[] = {QString::fromUtf8("太郎"), QString::fromUtf8("花子"), QStringLiteral("guest")};

    const long before = ResidentKiB();
    QElapsedTimer timer;
    std::printf("append: lines so far, microseconds per appended line in the last %d\n", kBatch);
    for (int done = 0; done < kLines; done += kBatch) {
        timer.start();
        for (int i = done; i < done + kBatch; ++i) view.AddLine(names[i % 3], QString(), messages[static_cast<size_t>(i)]);
        const double perLine = static_cast<double>(timer.nsecsElapsed()) / 1000.0 / kBatch;
        std::printf("  %6d  %.2f us\n", done + kBatch, perLine);
    }
    const long after = ResidentKiB();
    messages.clear();
    messages.shrink_to_fit();

    timer.start();
    view.resize(900, 400);
    view.ResizeColumns(view.viewport()->width());
    std::printf("resize (re-measure of %d lines at the new width): %.1f ms\n", kLines,
                static_cast<double>(timer.nsecsElapsed()) / 1e6);

    timer.start();
    view.Header()->resizeSection(1, view.Header()->sectionSize(1) - 40);
    std::printf("column drag (re-measure of %d lines): %.1f ms\n", kLines, static_cast<double>(timer.nsecsElapsed()) / 1e6);

    QFont bigger = font;
    bigger.setPointSize(12);
    timer.start();
    view.SetChatFont(bigger);
    std::printf("font change (every line's text measured again): %.1f ms\n",
                static_cast<double>(timer.nsecsElapsed()) / 1e6);

    std::printf("memory: %.0f bytes per line (resident growth over %d lines, message texts included)\n",
                static_cast<double>(after - before) * 1024.0 / kLines, kLines);
    return 0;
}
