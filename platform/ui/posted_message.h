#pragma once
// A private message posted to a window: the call runs from the event loop after the current
// handler has returned, in posting order, and is dropped if the receiver is destroyed first.
#include <functional>

class QObject;

namespace platform::ui {

void PostMessage(QObject* receiver, std::function<void()> call);

}  // namespace platform::ui
