#pragma once
// The base of a control implemented in a module: members are declared by dispid with their
// parameter types, Invoke checks and converts the arguments, and nothing thrown by a member
// escapes to the host.
#include "platform/com/dispatch.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace platform::com {

class ControlBase : public Control {
public:
    using Method = std::function<Variant(const std::vector<Variant>&)>;
    // A method that reports its own failure: returns an HResult and sets *result (never null).
    using CheckedMethod = std::function<HResult(const std::vector<Variant>&, Variant* result)>;
    using Getter = std::function<Variant()>;
    using Putter = std::function<void(const Variant&)>;

    ControlBase();
    ~ControlBase() override;
    ControlBase(const ControlBase&) = delete;
    ControlBase& operator=(const ControlBase&) = delete;

    // params are the declared types; arguments are converted to them before fn sees them.
    // VarType::Empty accepts any value unchanged. fn returns Variant() for no result.
    void DefineMethod(int32_t dispid, std::vector<VarType> params, Method fn);
    void DefineCheckedMethod(int32_t dispid, std::vector<VarType> params, CheckedMethod fn);
    // Either accessor may be empty: the property is then not readable / not writable.
    void DefineProperty(int32_t dispid, VarType type, Getter get, Putter put);

    // Calls the advised sink synchronously; does nothing without one.
    void FireEvent(int32_t dispid, std::vector<Variant> args);
    EventSink* Sink() const { return sink_; }

    // The control's own widget, made as a child of parent.
    virtual QWidget* CreateWindowWidget(QWidget* parent) = 0;

    // Unknown dispid or kind: DISP_E_MEMBERNOTFOUND; wrong count: DISP_E_BADPARAMCOUNT;
    // an argument that does not convert: DISP_E_TYPEMISMATCH; anything thrown: E_FAIL.
    HResult Invoke(int32_t dispid, DispatchKind kind, const std::vector<Variant>& args, Variant* result) override;
    // Makes the window once; later calls return the same window.
    QWidget* CreateControlWindow(QWidget* parent) override;
    QWidget* ControlWindow() const override { return window_.data(); }
    void Advise(EventSink* sink) override { sink_ = sink; }

    // Destroys the window now. A subclass whose widgets refer to its members calls this from its
    // own destructor, so the widgets never outlive the members.
    void DestroyWindow();

    // Converts value to type under the rules Invoke applies: integers (I2, I4, Bool) convert
    // among each other when the value fits, R4 accepts I2 and I4, Bstr only comes from Bstr.
    static bool ConvertTo(const Variant& value, VarType type, Variant* out);

    // Live ControlBase objects in this module (or program); a module may unload when it is 0.
    static int LiveCount();

private:
    struct MethodEntry {
        std::vector<VarType> params;
        CheckedMethod fn;
    };
    struct PropertyEntry {
        VarType type = VarType::Empty;
        Getter get;
        Putter put;
    };
    HResult Dispatch(int32_t dispid, DispatchKind kind, const std::vector<Variant>& args, Variant* result);

    std::map<int32_t, MethodEntry> methods_;
    std::map<int32_t, PropertyEntry> properties_;
    EventSink* sink_ = nullptr;
    QPointer<QWidget> window_;
    bool windowMade_ = false;
};

}  // namespace platform::com
