#pragma once
// A moneko-bot participant in its own process: the other user of a test, or the one whose
// process dies. Its standard output (one event a line, UTF-8) is collected as it comes.
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace e2e {

class BotProcess {
public:
    BotProcess() = default;
    ~BotProcess();
    BotProcess(const BotProcess&) = delete;
    BotProcess& operator=(const BotProcess&) = delete;

    // Starts bin/moneko-bot against 127.0.0.1:port in the region (CP932-free UTF-8 text) and
    // waits until it has entered. False (with the bot's output in Output()) otherwise.
    bool Start(uint16_t port, const QString& region, const QString& name, const QString& user);
    // One command line on its standard input ("say ...", "act a01", ...).
    void Command(const QString& line);
    // Waits until a line starting with prefix arrives; the index of the first such line or -1.
    int WaitForLine(const QString& prefix, int timeoutMs, int from = 0);
    // SIGKILL: the participant vanishes without saying goodbye.
    void Kill();
    int ClientId() const { return clientId_; }
    QStringList Lines();
    QString Output();

private:
    void Collect();

    QProcess process_;
    QString buffer_;
    QStringList lines_;
    int clientId_ = -1;
};

}  // namespace e2e
