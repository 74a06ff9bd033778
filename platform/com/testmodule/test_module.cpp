// The test module: one control, one property page class, and an extra registration step.
#include "platform/com/module_exports.h"
#include "platform/com/testmodule/test_control.h"
#include "platform/com/testmodule/test_ids.h"
#include "platform/registry/registry.h"

#include <cstdlib>

namespace {

namespace com = platform::com;
namespace reg = platform::registry;

com::HResult RegisterExtra(const std::string&) {
    reg::HKEY key = nullptr;
    if (reg::RegCreateKeyA(reg::HKEY_CLASSES_ROOT, moneko_test::kExtraKey, &key) != reg::ERROR_SUCCESS) return com::E_FAIL;
    const std::string value = moneko_test::kControlProgId;
    const reg::LONG rc = reg::RegSetValueExA(key, nullptr, 0, reg::REG_SZ,
                                             reinterpret_cast<const reg::BYTE*>(value.data()),
                                             static_cast<reg::DWORD>(value.size()));
    reg::RegCloseKey(key);
    return rc == reg::ERROR_SUCCESS ? com::S_OK : com::E_FAIL;
}

com::HResult UnregisterExtra(const std::string&) {
    const reg::LONG rc = reg::RegDeleteTreeA(reg::HKEY_CLASSES_ROOT, moneko_test::kExtraKey);
    return rc == reg::ERROR_SUCCESS || rc == reg::ERROR_FILE_NOT_FOUND ? com::S_OK : com::E_FAIL;
}

bool Start() {
    const char* fail = std::getenv(moneko_test::kFailStartEnv);
    return !(fail && *fail == '1');
}

const com::ModuleInfo kModule{
    moneko_test::kTypeLib,
    "MONEKOTESTLib",
    "1.0",
    {
        {moneko_test::kControlClsid, moneko_test::kControlProgId, "MonekoTest Control",
         [] { return new moneko_test::TestControl; }, 0x20191, true},
        {moneko_test::kPageClsid, moneko_test::kPageProgId, "MonekoTest Property Page", nullptr, 0, false},
    },
    RegisterExtra,
    UnregisterExtra,
    Start,
};

}  // namespace

MONEKO_DEFINE_MODULE(kModule)
