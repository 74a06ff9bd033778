#pragma once
// The four exports of a control module, defined from its ModuleInfo with one macro:
//
//   static const platform::com::ModuleInfo kModule{ libid, "NAMELib", "1.0",
//       { { clsid, "NAME.NameCtrl.1", "Name Control", [] { return new CNameCtrl; }, 0x20191, true } } };
//   MONEKO_DEFINE_MODULE(kModule)
//
// Modules are built with hidden visibility; the exports are made visible here.
#include "platform/com/dispatch.h"
#include "platform/com/guid.h"
#include "platform/com/module_info.h"

namespace platform::com {

// Export signatures, as the loader looks them up.
using DllGetClassObjectFn = HResult (*)(const Guid* clsid, ClassFactory** factory);
using DllCanUnloadNowFn = HResult (*)();
using DllRegisterServerFn = HResult (*)();
using DllUnregisterServerFn = HResult (*)();
using ModuleStartFn = HResult (*)();

// The implementations behind the exports. addressInModule is any address inside the module
// (dladdr finds the module's file from it). The factory handed out belongs to the module and
// lives as long as the module is loaded; callers do not delete it.
HResult ModuleGetClassObject(const ModuleInfo& info, const Guid* clsid, ClassFactory** factory);
HResult ModuleCanUnloadNow();
HResult ModuleRegisterServer(const ModuleInfo& info, const void* addressInModule);
HResult ModuleUnregisterServer(const ModuleInfo& info, const void* addressInModule);
HResult ModuleStart(const ModuleInfo& info);

}  // namespace platform::com

#define MONEKO_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

#define MONEKO_DEFINE_MODULE(info)                                                                  \
    MONEKO_MODULE_EXPORT ::platform::com::HResult DllGetClassObject(                                \
        const ::platform::com::Guid* clsid, ::platform::com::ClassFactory** factory) {              \
        return ::platform::com::ModuleGetClassObject(info, clsid, factory);                         \
    }                                                                                               \
    MONEKO_MODULE_EXPORT ::platform::com::HResult DllCanUnloadNow() {                               \
        return ::platform::com::ModuleCanUnloadNow();                                               \
    }                                                                                               \
    MONEKO_MODULE_EXPORT ::platform::com::HResult DllRegisterServer() {                             \
        return ::platform::com::ModuleRegisterServer(info, reinterpret_cast<const void*>(&DllRegisterServer)); \
    }                                                                                               \
    MONEKO_MODULE_EXPORT ::platform::com::HResult DllUnregisterServer() {                           \
        return ::platform::com::ModuleUnregisterServer(info, reinterpret_cast<const void*>(&DllUnregisterServer)); \
    }                                                                                               \
    MONEKO_MODULE_EXPORT ::platform::com::HResult MonekoModuleStart() {                             \
        return ::platform::com::ModuleStart(info);                                                  \
    }
