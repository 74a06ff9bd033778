#include "plexa/frame/plexa_app.h"

#include "platform/com/registration.h"
#include "platform/registry/registry.h"
#include "platform/text/cp932.h"
#include "platform/ui/message_box.h"
#include "plexa/frame/plexa_ctrl.h"
#include "plexa/frame/plexa_ids.h"
#include "plexa/frame/plexa_prop_page.h"
#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"
#include "plexa/settings/settings_store.h"

#include <QApplication>

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace plexa {

namespace com = platform::com;
namespace reg = platform::registry;

namespace {

constexpr reg::DWORD kPathBuffer = 260;

const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
const char kCatidSafeForScripting[] = "{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
const char kCatidSafeForInitializing[] = "{7DD95802-9882-11CF-9FA9-00AA006C42C4}";

// Install\Directory, or nullopt when the key or the value cannot be read.
std::optional<std::string> ReadInstallDirectory() {
    const std::string path = std::string(CSettingsStore::kProductKey) + "Install";
    reg::HKEY key = nullptr;
    if (reg::RegOpenKeyExA(reg::HKEY_LOCAL_MACHINE, path.c_str(), 0, reg::KEY_READ, &key) != reg::ERROR_SUCCESS)
        return std::nullopt;
    std::vector<reg::BYTE> buffer(kPathBuffer, 0);
    reg::DWORD size = kPathBuffer;
    reg::DWORD type = 0;
    const reg::LONG rc = reg::RegQueryValueExA(key, "Directory", nullptr, &type, buffer.data(), &size);
    reg::RegCloseKey(key);
    if (rc != reg::ERROR_SUCCESS || type != reg::REG_SZ) return std::nullopt;
    std::string text(reinterpret_cast<const char*>(buffer.data()), std::min<reg::DWORD>(size, kPathBuffer));
    if (const auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
    return text;
}

std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// One key of the registration chain; closes it whatever happens.
class ChainKey {
public:
    ~ChainKey() {
        if (key_) reg::RegCloseKey(key_);
    }
    bool Create(reg::HKEY parent, const std::string& path) {
        Close();
        return reg::RegCreateKeyA(parent, path.c_str(), &key_) == reg::ERROR_SUCCESS;
    }
    bool Open(reg::HKEY parent, const std::string& path) {
        Close();
        return reg::RegOpenKeyA(parent, path.c_str(), &key_) == reg::ERROR_SUCCESS;
    }
    bool Set(const char* name, const std::string& value) {
        return reg::RegSetValueExA(key_, name, 0, reg::REG_SZ, reinterpret_cast<const reg::BYTE*>(value.data()),
                                   static_cast<reg::DWORD>(value.size())) == reg::ERROR_SUCCESS;
    }
    void Close() {
        if (key_) reg::RegCloseKey(key_);
        key_ = nullptr;
    }
    reg::HKEY get() const { return key_; }

private:
    reg::HKEY key_ = nullptr;
};

// The browser's path from App Paths, read as into a 260-byte buffer; nullopt when absent.
std::optional<std::string> ReadBrowserPath() {
    ChainKey key;
    reg::HKEY raw = nullptr;
    if (reg::RegOpenKeyExA(reg::HKEY_LOCAL_MACHINE, kAppPathsKey, 0, reg::KEY_READ, &raw) != reg::ERROR_SUCCESS)
        return std::nullopt;
    std::vector<reg::BYTE> buffer(kPathBuffer, 0);
    reg::DWORD size = kPathBuffer;
    reg::DWORD type = 0;
    const reg::LONG rc = reg::RegQueryValueExA(raw, nullptr, nullptr, &type, buffer.data(), &size);
    reg::RegCloseKey(raw);
    if (rc != reg::ERROR_SUCCESS || type != reg::REG_SZ) return std::nullopt;
    std::string text(reinterpret_cast<const char*>(buffer.data()), std::min<reg::DWORD>(size, kPathBuffer));
    if (const auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
    return text;
}

com::Control* NewPlexaCtrl() { return new CPlexaCtrl; }
com::Control* NewPlexaPropPage() { return new CPlexaPropPage; }

}  // namespace

const char* const CPlexaApp::kRequiredFiles[7] = {
    "teskcommunication.ocx", "teskcontrolvrml.ocx", "teskchat.ocx",  "vrmlbrowser.ocx",
    "vrmlbrowserpkg.zip",    "mediafilter1.ax",     "mediafilter2.ax",
};

const com::ModuleInfo& CPlexaApp::ModuleInfo() {
    static const com::ModuleInfo info = [] {
        const auto& strings = res::PlexaStrings();
        com::ModuleInfo m;
        m.typeLib = kPlexaTypeLib;
        m.typeLibName = "Plexa ActiveX Control module";
        m.typeLibVersion = "1.0";
        m.classes = {
            {kPlexaCtrlClsid, kPlexaCtrlProgId, strings.Get(res::IDS_PLEXA), NewPlexaCtrl, kPlexaMiscStatus, true},
            {kPlexaPropPageClsid, kPlexaPropPageProgId, strings.Get(res::IDS_PLEXA_PPG), NewPlexaPropPage, 0, false},
        };
        m.extraRegister = &CPlexaApp::RegisterExtra;
        m.start = &CPlexaApp::InitInstance;
        return m;
    }();
    return info;
}

bool CPlexaApp::InitInstance() {
    const auto directory = ReadInstallDirectory();
    // An empty value would make the check look at whatever the current directory is.
    if (!directory || directory->empty()) {
        ShowModuleMessage(nullptr, res::IDS_NOT_INSTALLED);
        return false;
    }
    bool found[7] = {};
    bool chatLogFound = false;
    const auto native = platform::Cp932ToUtf8(*directory);
    std::error_code ec;
    if (native) {
        for (std::filesystem::directory_iterator it(*native, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = AsciiLower(it->path().filename().string());
            std::error_code typeError;
            if (it->is_directory(typeError)) {
                if (name == "chatlog") chatLogFound = true;
            } else {
                for (int i = 0; i < 7; ++i)
                    if (name == kRequiredFiles[i]) found[i] = true;
            }
        }
    }
    bool all = chatLogFound;
    for (bool f : found) all = all && f;
    if (!all) {
        ShowModuleMessage(nullptr, res::IDS_DATA_MISSING);
        return false;
    }
    return true;
}

bool CPlexaApp::RegisterVrmlHandling() {
    const auto browser = ReadBrowserPath();
    // An empty path would register an open command that runs nothing.
    if (!browser || browser->empty()) return false;
    const std::string openCommand = *browser + " %1";
    const std::string clsid = kPlexaCtrlClsid.ToString();

    ChainKey key;
    if (!key.Create(reg::HKEY_CLASSES_ROOT, ".wrl") || !key.Set(nullptr, kPlexaCtrlProgId)) return false;
    key.Close();
    if (!key.Create(reg::HKEY_CLASSES_ROOT, std::string(kPlexaCtrlProgId) + "\\Shell\\Open\\Command") ||
        !key.Set(nullptr, openCommand))
        return false;
    key.Close();
    for (const char* type : {"model/vrml", "x-world/x-vrml"}) {
        if (!key.Create(reg::HKEY_CLASSES_ROOT, std::string("MIME\\DataBase\\Content Type\\") + type) ||
            !key.Set("Extension", ".wrl") || !key.Set("CLSID", clsid))
            return false;
        key.Close();
    }
    if (!key.Create(reg::HKEY_CLASSES_ROOT, ".wrl") || !key.Set("Content Type", "model/vrml")) return false;
    key.Close();

    ChainKey classKey;
    if (!classKey.Open(reg::HKEY_CLASSES_ROOT, "CLSID\\" + clsid)) return false;
    for (const std::string& sub : {std::string("EnableFullPage\\.wrl"),
                                   std::string("Implemented Categories\\") + kCatidSafeForScripting,
                                   std::string("Implemented Categories\\") + kCatidSafeForInitializing}) {
        if (!key.Create(classKey.get(), sub)) return false;
        key.Close();
    }
    return true;
}

com::HResult CPlexaApp::RegisterExtra(const std::string&) {
    if (!RegisterVrmlHandling())
        ShowModuleMessage(nullptr, "Cannot register player for mime type", "Registration Error", platform::ui::MB_OK);
    return com::S_OK;
}

int CPlexaApp::ShowModuleMessage(QWidget* owner, const std::string& text, const std::string& caption,
                                 unsigned style) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "%s: %s\n", platform::ToQString(caption).toLocal8Bit().constData(),
                     platform::ToQString(text).toLocal8Bit().constData());
        return platform::ui::IDOK;
    }
    return platform::ui::ShowMessageBox(owner, text, caption, style);
}

int CPlexaApp::ShowModuleMessage(QWidget* owner, int stringId) {
    const auto& strings = res::PlexaStrings();
    return ShowModuleMessage(owner, strings.Get(stringId), strings.Get(res::IDS_CAPTION),
                             platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION);
}

}  // namespace plexa
