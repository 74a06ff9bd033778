#include "platform/ui/posted_message.h"

#include <QMetaObject>
#include <QObject>

namespace platform::ui {

void PostMessage(QObject* receiver, std::function<void()> call) {
    if (!receiver || !call) return;
    // A queued call with receiver as its context: runs in posting order on the receiver's thread,
    // and Qt discards it if the receiver is destroyed before it is delivered.
    QMetaObject::invokeMethod(receiver, [call = std::move(call)]() { call(); }, Qt::QueuedConnection);
}

}  // namespace platform::ui
