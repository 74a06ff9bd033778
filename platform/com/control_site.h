#pragma once
// The host's side of a control: creates it by class id through the registry, makes its window a
// child of the container's widget, forwards calls by dispid and routes its events to one sink.
#include "platform/com/dispatch.h"
#include "platform/com/guid.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::com {

class ControlSite {
public:
    // Creates the control and, when container is given, its window as a visible child of
    // container (geometry is the host's to set). Null with *hr set on failure.
    static std::unique_ptr<ControlSite> Create(const Guid& clsid, QWidget* container, HResult* hr = nullptr);
    static std::unique_ptr<ControlSite> CreateByProgId(const std::string& progId, QWidget* container,
                                                       HResult* hr = nullptr);
    // Detaches the sink and destroys the control and its window. Never from inside one of the
    // control's events (the control is still running): post the destruction instead.
    ~ControlSite();
    ControlSite(const ControlSite&) = delete;
    ControlSite& operator=(const ControlSite&) = delete;

    HResult Call(int32_t dispid, std::vector<Variant> args = {}, Variant* result = nullptr);
    HResult Get(int32_t dispid, Variant* result);
    HResult Put(int32_t dispid, Variant value);
    // One sink at a time; null detaches. The sink must outlive the site or be detached first.
    void Advise(EventSink* sink);

    QWidget* Window() const;
    void SetGeometry(const QRect& rect);
    Control* control() const { return control_.get(); }
    const Guid& clsid() const { return clsid_; }

private:
    ControlSite(const Guid& clsid, std::unique_ptr<Control> control);

    Guid clsid_;
    std::unique_ptr<Control> control_;
    QPointer<QWidget> window_;
};

// HKCR\CLSID\{clsid}\InprocServer32 -> load the module -> its class factory -> a new control.
// REGDB_E_CLASSNOTREG when the class is not registered; the loader's codes otherwise.
HResult CoCreateInstance(const Guid& clsid, Control** out);
// HKCR\<ProgID>\CLSID. CO_E_CLASSSTRING when the ProgID is unknown or names no valid class id.
HResult CLSIDFromProgID(const std::string& progId, Guid* out);

}  // namespace platform::com
