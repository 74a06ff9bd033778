#pragma once
// Window timers by id: SetTimer(id, ms) starts a repeating timer whose ticks call the handler
// with the id; setting an id that runs restarts it with the new interval; KillTimer stops it.
// A handler may set or kill timers, its own included.
#include <QObject>
#include <functional>
#include <map>

class QTimer;

namespace platform::ui {

class WindowTimers : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(unsigned id)>;

    explicit WindowTimers(QObject* parent = nullptr, Handler handler = {});
    ~WindowTimers() override;

    void SetHandler(Handler handler);

    // Returns id. An interval of 0 ticks as fast as the platform's minimum (10 ms).
    unsigned SetTimer(unsigned id, unsigned milliseconds);
    // False when no timer with that id runs.
    bool KillTimer(unsigned id);
    void KillAll();

    bool IsActive(unsigned id) const;
    // The interval of a running timer; -1 when none.
    int Interval(unsigned id) const;

private:
    Handler m_handler;
    std::map<unsigned, QTimer*> m_timers;
};

}  // namespace platform::ui
