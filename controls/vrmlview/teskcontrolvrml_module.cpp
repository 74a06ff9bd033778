// teskcontrolvrml.ocx: the module of the VRML view control.
#include "controls/vrmlview/c_tesk_control_vrml_ctrl.h"
#include "controls/vrmlview/teskcontrolvrml_ids.h"
#include "platform/com/module_exports.h"

namespace {

const platform::com::ModuleInfo kModule{
    *platform::com::Guid::FromString(teskcontrolvrml::kTypeLibId),
    "TESKCONTROLVRMLLib",
    "1.0",
    {{*platform::com::Guid::FromString(teskcontrolvrml::kClassId), teskcontrolvrml::kProgId,
      "TeskControlVrml Control", [] { return new CTeskControlVrmlCtrl; }, 0x20191, true}},
};

}  // namespace

MONEKO_DEFINE_MODULE(kModule)
