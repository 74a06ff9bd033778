#include "plexa/session/child_control_classes.h"

namespace plexa {

ChildControlClasses ChildControlClasses::Installed() {
    ChildControlClasses classes;
    // {F5AC3DD8-0243-4F77-8836-15CE28F5A815} TESKCHAT.TeskChatCtrl.1
    classes.chat = {0xF5AC3DD8, 0x0243, 0x4F77, {0x88, 0x36, 0x15, 0xCE, 0x28, 0xF5, 0xA8, 0x15}};
    // {D2D50BB9-3C30-40ED-B8A3-1281A18B38CB} TESKCONTROLVRML.TeskControlVrmlCtrl.1
    classes.view = {0xD2D50BB9, 0x3C30, 0x40ED, {0xB8, 0xA3, 0x12, 0x81, 0xA1, 0x8B, 0x38, 0xCB}};
    // {FCEFCD46-BA50-4561-9774-AEABC672725A} TESKCOMMUNICATION.TeskCommunicationCtrl.1
    classes.communication = {0xFCEFCD46, 0xBA50, 0x4561, {0x97, 0x74, 0xAE, 0xAB, 0xC6, 0x72, 0x72, 0x5A}};
    return classes;
}

}  // namespace plexa
