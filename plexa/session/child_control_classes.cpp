#include "plexa/session/child_control_classes.h"

namespace plexa {

ChildControlClasses ChildControlClasses::Installed() {
    ChildControlClasses classes;
    // {F5AC3DD8-0243-4F77-8836-15CE28F5A815} TESKCHAT.TeskChatCtrl.1
    classes.chat = {0xF5AC3DD8, 0x0243, 0x4F77, {0x88, 0x36, 0x15, 0xCE, 0x28, 0xF5, 0xA8, 0x15}};
    // TODO-ids: the view and communication class ids follow their modules.
    classes.view = {};
    classes.communication = {};
    return classes;
}

}  // namespace plexa
