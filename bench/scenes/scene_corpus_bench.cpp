// Scene corpus benchmark. Every .wrl / .wrl.gz file of a folder (default: the corpus beside this
// file) is loaded by a child process of this program through VrmlView, shown, and drawn for
// half a second; the parent counts what loaded, what showed anything, what was refused and what
// crashed or hung, and prints the load times. Run under an X server (xvfb-run -a).
//   scene_corpus_bench [FOLDER]
#include "controls/vrmlview/coin_view.h"
#include "controls/vrmlview/vrml_view.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSurfaceFormat>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Child: load one file; print "RESULT <1|-1> <ms> <shown 0|1> <warnings>".
int LoadOne(const QString& path) {
    VrmlView view;
    view.resize(320, 240);
    view.show();
    QTest::qWaitForWindowExposed(&view);
    const QImage empty = view.GrabImage();
    QElapsedTimer clock;
    clock.start();
    const int result = view.LoadVrmlFile(path);
    const double ms = clock.nsecsElapsed() / 1e6;
    QTest::qWait(500);  // scripts start, animations run
    const QImage image = view.GrabImage();
    int changed = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) changed += image.pixel(x, y) != empty.pixel(x, y);
    std::printf("RESULT %d %.2f %d %lld\n", result, ms, changed > 20 ? 1 : 0,
                static_cast<long long>(view.LastWarnings().size()));
    if (result != 1) std::printf("REASON %s\n", view.LastError().toUtf8().constData());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--one")) {
        QSurfaceFormat format;
        format.setVersion(2, 1);
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
        format.setDepthBufferSize(24);
        QSurfaceFormat::setDefaultFormat(format);
        QApplication app(argc, argv);
        return LoadOne(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(SCENE_CORPUS));
    const QStringList files = folder.entryList({"*.wrl", "*.wrl.gz"}, QDir::Files, QDir::Name);
    int loaded = 0, shown = 0, refused = 0, crashed = 0;
    std::vector<double> times;
    std::printf("%-28s %-8s %9s %6s %9s\n", "file", "result", "load ms", "shown", "warnings");
    for (const QString& name : files) {
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QCoreApplication::applicationFilePath(), {"--one", folder.filePath(name)});
        const bool finished = child.waitForFinished(60000);
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        const QString line = out.section(QLatin1String("RESULT "), 1).section('\n', 0, 0);
        if (!finished || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || line.isEmpty()) {
            if (!finished) child.kill();
            ++crashed;
            std::printf("%-28s %-8s\n", qPrintable(name), finished ? "CRASHED" : "HUNG");
            continue;
        }
        const QStringList parts = line.split(' ');
        const bool ok = parts.value(0) == QLatin1String("1");
        const double ms = parts.value(1).toDouble();
        const bool seen = parts.value(2) == QLatin1String("1");
        ok ? ++loaded : ++refused;
        shown += ok && seen;
        if (ok) times.push_back(ms);
        std::printf("%-28s %-8s %9.2f %6s %9s\n", qPrintable(name), ok ? "loaded" : "refused", ms, seen ? "yes" : "no",
                    qPrintable(parts.value(3)));
    }
    std::sort(times.begin(), times.end());
    std::printf("\n%lld files: %d loaded, %d shown, %d refused, %d crashed or hung\n",
                static_cast<long long>(files.size()), loaded, shown, refused, crashed);
    if (!times.empty()) {
        std::printf("load ms of loaded files: min %.2f, median %.2f, max %.2f\n", times.front(),
                    times[times.size() / 2], times.back());
    }
    return crashed == 0 ? 0 : 1;
}
