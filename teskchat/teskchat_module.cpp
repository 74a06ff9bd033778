// The module teskchat.ocx: the chat control and its property page.
#include "teskchat/tesk_chat_ctrl.h"
#include "teskchat/tesk_chat_prop_page.h"
#include "teskchat/teskchat_ids.h"
#include "teskchat/teskchat_strings.h"

#include "platform/com/module_exports.h"
#include "platform/registry/registry.h"

namespace {

namespace com = platform::com;
namespace reg = platform::registry;

std::string ToolboxBitmapKey() { return "CLSID\\" + teskchat::kTeskChatClsid.ToString() + "\\ToolboxBitmap32"; }

// The control's toolbox picture: bitmap 1 of the module.
com::HResult RegisterToolboxBitmap(const std::string& modulePath) {
    reg::HKEY key = nullptr;
    if (reg::RegCreateKeyA(reg::HKEY_CLASSES_ROOT, ToolboxBitmapKey().c_str(), &key) != reg::ERROR_SUCCESS)
        return com::SELFREG_E_CLASS;
    const std::string value = modulePath + ", 1";
    const reg::LONG rc = reg::RegSetValueExA(key, nullptr, 0, reg::REG_SZ, reinterpret_cast<const reg::BYTE*>(value.data()),
                                             static_cast<reg::DWORD>(value.size()));
    reg::RegCloseKey(key);
    return rc == reg::ERROR_SUCCESS ? com::S_OK : com::SELFREG_E_CLASS;
}

com::HResult UnregisterToolboxBitmap(const std::string&) {
    const reg::LONG rc = reg::RegDeleteTreeA(reg::HKEY_CLASSES_ROOT, ToolboxBitmapKey().c_str());
    return rc == reg::ERROR_SUCCESS || rc == reg::ERROR_FILE_NOT_FOUND ? com::S_OK : com::SELFREG_E_CLASS;
}

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
    RegisterToolboxBitmap,
    UnregisterToolboxBitmap,
};

}  // namespace

MONEKO_DEFINE_MODULE(kModule)
