// vrmlbrowser.ocx: the module of the WorldView preview control.
#include "controls/worldview/c_world_view_ctrl.h"
#include "controls/worldview/world_view_ids.h"
#include "platform/com/module_exports.h"

namespace {

const platform::com::ModuleInfo kModule{
    *platform::com::Guid::FromString(worldview::kTypeLibId),
    "VRMLBROWSERLib",
    "1.0",
    {{*platform::com::Guid::FromString(worldview::kClassId), worldview::kProgId, "WorldView Control",
      [] { return new CWorldViewCtrl; }, 0x20191, true}},
};

}  // namespace

MONEKO_DEFINE_MODULE(kModule)
