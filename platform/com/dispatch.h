#pragma once
// Late-bound calls between a host and a control, by dispatch id, as the controls' interfaces
// are defined. Nothing throws across this boundary: every call reports an HResult.
#include "platform/com/variant.h"

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

class QWidget;

namespace platform::com {

using HResult = int32_t;
constexpr HResult S_OK = 0;
constexpr HResult S_FALSE = 1;
constexpr HResult E_NOTIMPL = static_cast<HResult>(0x80004001);
constexpr HResult E_POINTER = static_cast<HResult>(0x80004003);
constexpr HResult E_FAIL = static_cast<HResult>(0x80004005);
constexpr HResult E_INVALIDARG = static_cast<HResult>(0x80070057);
constexpr HResult E_OUTOFMEMORY = static_cast<HResult>(0x8007000E);
constexpr HResult DISP_E_MEMBERNOTFOUND = static_cast<HResult>(0x80020003);
constexpr HResult DISP_E_TYPEMISMATCH = static_cast<HResult>(0x80020005);
constexpr HResult DISP_E_BADPARAMCOUNT = static_cast<HResult>(0x8002000E);
constexpr HResult CLASS_E_CLASSNOTAVAILABLE = static_cast<HResult>(0x80040111);
constexpr HResult REGDB_E_CLASSNOTREG = static_cast<HResult>(0x80040154);
constexpr HResult CO_E_CLASSSTRING = static_cast<HResult>(0x800401F3);
constexpr HResult CO_E_DLLNOTFOUND = static_cast<HResult>(0x800401F8);
constexpr HResult CO_E_ERRORINDLL = static_cast<HResult>(0x800401F9);
constexpr HResult SELFREG_E_TYPELIB = static_cast<HResult>(0x80040200);
constexpr HResult SELFREG_E_CLASS = static_cast<HResult>(0x80040201);
inline bool Succeeded(HResult hr) { return hr >= 0; }

constexpr int32_t DISPID_ABOUTBOX = -552;

enum class DispatchKind { Method, PropertyGet, PropertyPut };

// Something that can be called by dispatch id.
class Dispatch {
public:
    virtual ~Dispatch() = default;
    // args are in declaration order. result may be null when the caller does not want it.
    virtual HResult Invoke(int32_t dispid, DispatchKind kind, const std::vector<Variant>& args, Variant* result) = 0;
};

// Receives a control's events; the host implements it.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void OnEvent(int32_t dispid, const std::vector<Variant>& args) = 0;
};

// A sink that routes each event id to its handler; unknown ids are ignored.
class EventSinkMap : public EventSink {
public:
    using Handler = std::function<void(const std::vector<Variant>&)>;
    void On(int32_t dispid, Handler handler) { handlers_[dispid] = std::move(handler); }
    void OnEvent(int32_t dispid, const std::vector<Variant>& args) override {
        if (auto it = handlers_.find(dispid); it != handlers_.end() && it->second) it->second(args);
    }

private:
    std::map<int32_t, Handler> handlers_;
};

// A control object made by a module's class factory. The host owns it (delete destroys it,
// window included) and must destroy it before the module could go away.
class Control : public Dispatch {
public:
    // Makes the control's window as a child of the container's widget; returns it (owned by the
    // parent's widget tree) or null when it cannot. Called at most once.
    virtual QWidget* CreateControlWindow(QWidget* parent) = 0;
    virtual QWidget* ControlWindow() const = 0;
    // One sink at a time; null detaches. The sink must outlive the connection.
    virtual void Advise(EventSink* sink) = 0;
};

class ClassFactory {
public:
    virtual ~ClassFactory() = default;
    // A new control, or null.
    virtual Control* CreateInstance() = 0;
};

}  // namespace platform::com
