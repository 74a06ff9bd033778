#pragma once
// The exclamation beep. Counted, so tests can tell that a refusal was signalled.
#include "platform/ui/message_box.h"

namespace platform::ui {

void MessageBeep(unsigned type = MB_ICONEXCLAMATION);

// Beeps since start or the last reset.
int MessageBeepCount();
void ResetMessageBeepCount();

}  // namespace platform::ui
