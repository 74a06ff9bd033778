#include "platform/com/control_site.h"

#include "platform/com/module_loader.h"
#include "platform/com/registration.h"

namespace platform::com {

HResult CoCreateInstance(const Guid& clsid, Control** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    const auto path = QueryClassesRootString("CLSID\\" + clsid.ToString() + "\\InprocServer32");
    if (!path || path->empty()) return REGDB_E_CLASSNOTREG;
    ClassFactory* factory = nullptr;
    if (HResult hr = ModuleLoader::Instance().GetClassObject(*path, clsid, &factory); !Succeeded(hr)) return hr;
    Control* control = factory->CreateInstance();
    if (!control) return E_FAIL;
    *out = control;
    return S_OK;
}

HResult CLSIDFromProgID(const std::string& progId, Guid* out) {
    if (!out) return E_POINTER;
    // A separator would make the name address some other key.
    if (progId.empty() || progId.find('\\') != std::string::npos) return CO_E_CLASSSTRING;
    const auto text = QueryClassesRootString(progId + "\\CLSID");
    if (!text) return CO_E_CLASSSTRING;
    const auto clsid = Guid::FromString(*text);
    if (!clsid) return CO_E_CLASSSTRING;
    *out = *clsid;
    return S_OK;
}

ControlSite::ControlSite(const Guid& clsid, std::unique_ptr<Control> control)
    : clsid_(clsid), control_(std::move(control)) {}

std::unique_ptr<ControlSite> ControlSite::Create(const Guid& clsid, QWidget* container, HResult* hr) {
    HResult ignored = S_OK;
    if (!hr) hr = &ignored;
    Control* raw = nullptr;
    *hr = CoCreateInstance(clsid, &raw);
    if (!Succeeded(*hr)) return nullptr;
    std::unique_ptr<ControlSite> site(new ControlSite(clsid, std::unique_ptr<Control>(raw)));
    if (container) {
        QWidget* window = nullptr;
        try {
            window = raw->CreateControlWindow(container);
        } catch (...) {
            window = nullptr;
        }
        if (window) {
            if (window->parentWidget() != container) window->setParent(container);
            window->show();
            site->window_ = window;
        }
    }
    return site;
}

std::unique_ptr<ControlSite> ControlSite::CreateByProgId(const std::string& progId, QWidget* container, HResult* hr) {
    Guid clsid;
    const HResult found = CLSIDFromProgID(progId, &clsid);
    if (!Succeeded(found)) {
        if (hr) *hr = found;
        return nullptr;
    }
    return Create(clsid, container, hr);
}

ControlSite::~ControlSite() {
    control_->Advise(nullptr);
    control_.reset();
    // A control that did not take its window with it.
    if (window_) delete window_.data();
}

HResult ControlSite::Call(int32_t dispid, std::vector<Variant> args, Variant* result) {
    try {
        return control_->Invoke(dispid, DispatchKind::Method, args, result);
    } catch (...) {
        return E_FAIL;
    }
}

HResult ControlSite::Get(int32_t dispid, Variant* result) {
    if (!result) return E_POINTER;
    try {
        return control_->Invoke(dispid, DispatchKind::PropertyGet, {}, result);
    } catch (...) {
        return E_FAIL;
    }
}

HResult ControlSite::Put(int32_t dispid, Variant value) {
    try {
        return control_->Invoke(dispid, DispatchKind::PropertyPut, {std::move(value)}, nullptr);
    } catch (...) {
        return E_FAIL;
    }
}

void ControlSite::Advise(EventSink* sink) { control_->Advise(sink); }

QWidget* ControlSite::Window() const { return window_ ? window_.data() : control_->ControlWindow(); }

void ControlSite::SetGeometry(const QRect& rect) {
    if (QWidget* window = Window()) window->setGeometry(rect);
}

}  // namespace platform::com
