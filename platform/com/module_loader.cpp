#include "platform/com/module_loader.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>

namespace platform::com {

namespace {

std::string Canonical(const std::string& path) {
    char resolved[PATH_MAX];
    if (path.empty() || !realpath(path.c_str(), resolved)) return {};
    return resolved;
}

template <typename Fn>
Fn Lookup(void* handle, const char* name) {
    return reinterpret_cast<Fn>(dlsym(handle, name));
}

}  // namespace

ModuleLoader& ModuleLoader::Instance() {
    static ModuleLoader loader;
    return loader;
}

void ModuleLoader::SetError(std::string text) { lastError_ = std::move(text); }

HResult ModuleLoader::Load(const std::string& path, Module** out) {
    std::lock_guard lock(mutex_);
    if (out) *out = nullptr;
    const std::string canonical = Canonical(path);
    if (canonical.empty()) {
        SetError(path + ": no such module file");
        return CO_E_DLLNOTFOUND;
    }
    if (auto it = modules_.find(canonical); it != modules_.end()) {
        if (out) *out = it->second.get();
        return S_OK;
    }
    dlerror();
    // RTLD_LOCAL: two modules may carry their own copies of the same helper code.
    void* handle = dlopen(canonical.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        SetError(why ? why : canonical + ": cannot be loaded");
        return CO_E_DLLNOTFOUND;
    }
    auto module = std::make_unique<Module>();
    module->path = canonical;
    module->handle = handle;
    module->getClassObject = Lookup<DllGetClassObjectFn>(handle, "DllGetClassObject");
    module->canUnloadNow = Lookup<DllCanUnloadNowFn>(handle, "DllCanUnloadNow");
    module->registerServer = Lookup<DllRegisterServerFn>(handle, "DllRegisterServer");
    module->unregisterServer = Lookup<DllUnregisterServerFn>(handle, "DllUnregisterServer");
    module->start = Lookup<ModuleStartFn>(handle, "MonekoModuleStart");
    Module* raw = module.get();
    modules_.emplace(canonical, std::move(module));
    if (out) *out = raw;
    return S_OK;
}

HResult ModuleLoader::GetClassObject(const std::string& path, const Guid& clsid, ClassFactory** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::lock_guard lock(mutex_);
    Module* module = nullptr;
    if (HResult hr = Load(path, &module); !Succeeded(hr)) return hr;
    if (!module->getClassObject) {
        SetError(module->path + ": DllGetClassObject is not exported");
        return CO_E_ERRORINDLL;
    }
    if (!module->started) {
        if (module->start && !Succeeded(module->start())) {
            SetError(module->path + ": the module's start failed");
            return CO_E_ERRORINDLL;
        }
        module->started = true;
    }
    const HResult hr = module->getClassObject(&clsid, out);
    if (!Succeeded(hr) || !*out) {
        *out = nullptr;
        SetError(module->path + ": does not make class " + clsid.ToString());
        return Succeeded(hr) ? CLASS_E_CLASSNOTAVAILABLE : hr;
    }
    return S_OK;
}

int ModuleLoader::LoadedCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(modules_.size());
}

bool ModuleLoader::IsLoaded(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const std::string canonical = Canonical(path);
    return !canonical.empty() && modules_.count(canonical) != 0;
}

std::string ModuleLoader::LastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

HResult RegisterModuleFile(const std::string& path) {
    ModuleLoader& loader = ModuleLoader::Instance();
    ModuleLoader::Module* module = nullptr;
    if (HResult hr = loader.Load(path, &module); !Succeeded(hr)) return hr;
    if (!module->registerServer) return CO_E_ERRORINDLL;
    return module->registerServer();
}

HResult UnregisterModuleFile(const std::string& path) {
    ModuleLoader& loader = ModuleLoader::Instance();
    ModuleLoader::Module* module = nullptr;
    if (HResult hr = loader.Load(path, &module); !Succeeded(hr)) return hr;
    if (!module->unregisterServer) return CO_E_ERRORINDLL;
    return module->unregisterServer();
}

}  // namespace platform::com
