#include "platform/com/module_exports.h"

#include "platform/com/control_base.h"
#include "platform/com/registration.h"

#include <map>
#include <memory>
#include <mutex>

namespace platform::com {

namespace {

// The class object the module hands out for one of its classes.
class InfoClassFactory : public ClassFactory {
public:
    explicit InfoClassFactory(const ClassInfo& cls) : cls_(cls) {}
    Control* CreateInstance() override {
        try {
            return cls_.create ? cls_.create() : nullptr;
        } catch (...) {
            return nullptr;
        }
    }

private:
    const ClassInfo& cls_;
};

std::mutex g_factoriesMutex;
std::map<const ClassInfo*, std::unique_ptr<InfoClassFactory>> g_factories;

}  // namespace

HResult ModuleGetClassObject(const ModuleInfo& info, const Guid* clsid, ClassFactory** factory) {
    if (!factory) return E_POINTER;
    *factory = nullptr;
    if (!clsid) return E_POINTER;
    try {
        for (const ClassInfo& cls : info.classes) {
            if (!(cls.clsid == *clsid)) continue;
            std::lock_guard lock(g_factoriesMutex);
            auto& slot = g_factories[&cls];
            if (!slot) slot = std::make_unique<InfoClassFactory>(cls);
            *factory = slot.get();
            return S_OK;
        }
        return CLASS_E_CLASSNOTAVAILABLE;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HResult ModuleCanUnloadNow() { return ControlBase::LiveCount() == 0 ? S_OK : S_FALSE; }

HResult ModuleRegisterServer(const ModuleInfo& info, const void* addressInModule) {
    return RegisterModule(info, ModulePathOf(addressInModule));
}

HResult ModuleUnregisterServer(const ModuleInfo& info, const void* addressInModule) {
    return UnregisterModule(info, ModulePathOf(addressInModule));
}

HResult ModuleStart(const ModuleInfo& info) {
    try {
        if (!info.start) return S_OK;
        return info.start() ? S_OK : E_FAIL;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace platform::com
