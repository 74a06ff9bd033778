#include "platform/ui/window_timer.h"

#include <QTimer>
#include <climits>

namespace platform::ui {

WindowTimers::WindowTimers(QObject* parent, Handler handler) : QObject(parent), m_handler(std::move(handler)) {}

WindowTimers::~WindowTimers() = default;  // the timers are children

void WindowTimers::SetHandler(Handler handler) { m_handler = std::move(handler); }

unsigned WindowTimers::SetTimer(unsigned id, unsigned milliseconds) {
    const int interval = milliseconds == 0 ? 10 : milliseconds > INT_MAX ? INT_MAX : static_cast<int>(milliseconds);
    auto it = m_timers.find(id);
    if (it == m_timers.end()) {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id]() {
            // A copy: the handler may replace itself while it runs.
            Handler handler = m_handler;
            if (handler) handler(id);
        });
        it = m_timers.emplace(id, timer).first;
    }
    it->second->start(interval);  // restarts a running timer
    return id;
}

bool WindowTimers::KillTimer(unsigned id) {
    auto it = m_timers.find(id);
    if (it == m_timers.end()) return false;
    it->second->stop();
    // The tick being delivered may be this timer's own.
    it->second->deleteLater();
    m_timers.erase(it);
    return true;
}

void WindowTimers::KillAll() {
    for (auto& [id, timer] : m_timers) {
        timer->stop();
        timer->deleteLater();
    }
    m_timers.clear();
}

bool WindowTimers::IsActive(unsigned id) const { return m_timers.count(id) != 0; }

int WindowTimers::Interval(unsigned id) const {
    auto it = m_timers.find(id);
    return it == m_timers.end() ? -1 : it->second->interval();
}

}  // namespace platform::ui
