#pragma once
// Loads control modules with dlopen and keeps them loaded for the life of the process: a
// control's code must stay mapped while any object or widget of it may still exist.
#include "platform/com/dispatch.h"
#include "platform/com/guid.h"
#include "platform/com/module_exports.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace platform::com {

class ModuleLoader {
public:
    struct Module {
        std::string path;  // canonical path of the file
        void* handle = nullptr;
        DllGetClassObjectFn getClassObject = nullptr;
        DllCanUnloadNowFn canUnloadNow = nullptr;
        DllRegisterServerFn registerServer = nullptr;
        DllUnregisterServerFn unregisterServer = nullptr;
        ModuleStartFn start = nullptr;
        bool started = false;
    };

    static ModuleLoader& Instance();

    // Loads the module once (later calls return the same one). CO_E_DLLNOTFOUND when the file is
    // missing or not a loadable module.
    HResult Load(const std::string& path, Module** out);
    // Loads the module, runs its start (once it succeeded, never again) and asks it for the
    // class's factory. CO_E_ERRORINDLL when an export is missing or the start failed;
    // CLASS_E_CLASSNOTAVAILABLE when the module does not make the class.
    HResult GetClassObject(const std::string& path, const Guid& clsid, ClassFactory** out);

    // How many distinct modules have been loaded, and whether this file is one of them.
    int LoadedCount() const;
    bool IsLoaded(const std::string& path) const;
    // What went wrong in the last failed call, for a message to the user.
    std::string LastError() const;

private:
    ModuleLoader() = default;
    void SetError(std::string text);

    mutable std::recursive_mutex mutex_;
    std::map<std::string, std::unique_ptr<Module>> modules_;
    std::string lastError_;
};

// Calls the module file's DllRegisterServer / DllUnregisterServer (the module's start is not run).
HResult RegisterModuleFile(const std::string& path);
HResult UnregisterModuleFile(const std::string& path);

}  // namespace platform::com
