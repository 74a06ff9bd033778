#pragma once
// Acts on a real modal window from inside its own event loop, so tests of the real seam never block.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace platform::ui::testing {

// Waits (polling the event loop the modal run spins) for a visible modal window of type T and
// hands it to act. Gives up after about three seconds.
template <typename T>
void WhenModalOpens(std::function<void(T*)> act, int triesLeft = 300) {
    QTimer::singleShot(10, [act, triesLeft]() {
        if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget()); modal && modal->isVisible()) {
            act(modal);
            return;
        }
        if (triesLeft > 0) WhenModalOpens<T>(act, triesLeft - 1);
    });
}

}  // namespace platform::ui::testing
