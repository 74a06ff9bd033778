#include "platform/ui/message_box.h"

#include "platform/ui/modal_seam.h"

namespace platform::ui {

int ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned style) {
    return CurrentModalSeam().MessageBox(owner, text, caption, style);
}

}  // namespace platform::ui
