#include "teskchat/esp_input_edit.h"

#include "platform/ui/beep.h"

namespace teskchat {

EspInputEdit::EspInputEdit(QWidget* parent) : ChatInputEdit(parent) {
    SetLimitBytes(kLimitBytes);
    connect(this, &ChatInputEdit::LimitRefused, this, [] { platform::ui::MessageBeep(platform::ui::MB_ICONEXCLAMATION); });
}

}  // namespace teskchat
