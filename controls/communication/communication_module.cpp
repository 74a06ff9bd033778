// teskcommunication.ocx: one control class.
#include "controls/communication/communication_ids.h"
#include "controls/communication/tesk_communication_ctrl.h"
#include "platform/com/module_exports.h"

namespace {

const platform::com::ModuleInfo kModule{
    communication::kTypeLib,
    "TESKCOMMUNICATIONLib",
    "1.0",
    {
        {communication::kClsid, communication::kProgId, "TeskCommunication Control",
         [] { return new communication::TeskCommunicationCtrl; }, 0x20191, true},
    },
};

}  // namespace

MONEKO_DEFINE_MODULE(kModule)
