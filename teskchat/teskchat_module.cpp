// The module teskchat.ocx: the chat control and its property page.
#include "teskchat/tesk_chat_ctrl.h"
#include "teskchat/tesk_chat_prop_page.h"
#include "teskchat/teskchat_ids.h"
#include "teskchat/teskchat_strings.h"

#include "platform/com/module_exports.h"

namespace {

namespace com = platform::com;

const com::ModuleInfo kModule{
    teskchat::kTypeLibId,
    teskchat::kTypeLibName,
    "1.0",
    {
        {teskchat::kTeskChatClsid, teskchat::kTeskChatProgId, "TeskChat Control",
         [] { return static_cast<com::Control*>(new teskchat::CTeskChatCtrl); }, teskchat::kMiscStatus, true},
        {teskchat::kTeskChatPropPageClsid, teskchat::kTeskChatPropPageProgId, "TeskChat Property Page",
         [] { return static_cast<com::Control*>(new teskchat::CTeskChatPropPage); }, 0, false},
    },
};

}  // namespace

MONEKO_DEFINE_MODULE(kModule)
