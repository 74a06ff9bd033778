#include "tests/e2e/support/bot_process.h"

#include <QDeadlineTimer>
#include <QTest>

namespace e2e {

BotProcess::~BotProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(2000)) Kill();
    }
}

bool BotProcess::Start(uint16_t port, const QString& region, const QString& name, const QString& user) {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(qEnvironmentVariable("MONEKO_BIN_DIR") + "/moneko-bot",
                   {"--port", QString::number(port), "--region", region, "--name", name, "--user", user, "--stay"});
    if (!process_.waitForStarted(5000)) return false;
    const int entered = WaitForLine("EnterRegion ", 10000);
    if (entered < 0) return false;
    clientId_ = lines_[entered].section(' ', 1, 1).toInt();
    return true;
}

void BotProcess::Command(const QString& line) {
    process_.write((line + "\n").toUtf8());
    process_.waitForBytesWritten(1000);
}

void BotProcess::Collect() {
    buffer_ += QString::fromUtf8(process_.readAll());
    qsizetype newline;
    while ((newline = buffer_.indexOf('\n')) >= 0) {
        lines_.append(buffer_.left(newline));
        buffer_.remove(0, newline + 1);
    }
}

int BotProcess::WaitForLine(const QString& prefix, int timeoutMs, int from) {
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        Collect();
        for (int i = from; i < lines_.size(); ++i)
            if (lines_[i].startsWith(prefix)) return i;
        if (deadline.hasExpired() || process_.state() == QProcess::NotRunning) return -1;
        // Keeps the caller's event loop (its panels and controls) running meanwhile.
        QTest::qWait(50);
    }
}

void BotProcess::Kill() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(5000);
}

QStringList BotProcess::Lines() {
    Collect();
    return lines_;
}

QString BotProcess::Output() { return Lines().join('\n') + buffer_; }

}  // namespace e2e
