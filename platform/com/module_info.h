#pragma once
// What a module declares about itself: its type library and the classes its factory makes.
#include "platform/com/dispatch.h"
#include "platform/com/guid.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::com {

struct ClassInfo {
    Guid clsid;
    std::string progId;    // empty: no ProgID keys
    std::string typeName;  // default value of the class and ProgID keys
    std::function<Control*()> create;
    uint32_t miscStatus = 0;
    bool isControl = true;  // false for a property page or a plain object (no Control/MiscStatus keys)
};

struct ModuleInfo {
    Guid typeLib;
    std::string typeLibName;
    std::string typeLibVersion = "1.0";
    std::vector<ClassInfo> classes;
    // Run by DllRegisterServer after the classes are registered, with the module's path; its
    // result is the registration's result.
    std::function<HResult(const std::string& modulePath)> extraRegister = nullptr;
    // Run by DllUnregisterServer after the classes are unregistered.
    std::function<HResult(const std::string& modulePath)> extraUnregister = nullptr;
    // The module's start, run when a host loads the module; false makes the load fail (it is
    // tried again on the next load). Registration does not run it.
    std::function<bool()> start = nullptr;
};

}  // namespace platform::com
