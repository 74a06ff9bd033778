#include "platform/com/control_base.h"

#include <atomic>
#include <limits>

namespace platform::com {

namespace {

std::atomic<int> g_live{0};

bool IsInteger(VarType t) { return t == VarType::I2 || t == VarType::I4 || t == VarType::Bool; }

int32_t IntegerValue(const Variant& v) {
    switch (v.Type()) {
    case VarType::I2: return v.AsI2();
    case VarType::I4: return v.AsI4();
    case VarType::Bool: return v.AsBool() ? 1 : 0;
    default: return 0;
    }
}

}  // namespace

ControlBase::ControlBase() { ++g_live; }

ControlBase::~ControlBase() {
    DestroyWindow();
    --g_live;
}

int ControlBase::LiveCount() { return g_live.load(); }

void ControlBase::DefineMethod(int32_t dispid, std::vector<VarType> params, Method fn) {
    if (!fn) {
        methods_.erase(dispid);
        return;
    }
    methods_[dispid] = MethodEntry{std::move(params), [fn = std::move(fn)](const std::vector<Variant>& args, Variant* result) {
                                       *result = fn(args);
                                       return S_OK;
                                   }};
}

void ControlBase::DefineCheckedMethod(int32_t dispid, std::vector<VarType> params, CheckedMethod fn) {
    if (!fn) {
        methods_.erase(dispid);
        return;
    }
    methods_[dispid] = MethodEntry{std::move(params), std::move(fn)};
}

void ControlBase::DefineProperty(int32_t dispid, VarType type, Getter get, Putter put) {
    properties_[dispid] = PropertyEntry{type, std::move(get), std::move(put)};
}

void ControlBase::FireEvent(int32_t dispid, std::vector<Variant> args) {
    EventSink* sink = sink_;
    if (!sink) return;
    try {
        sink->OnEvent(dispid, args);
    } catch (...) {
        // The host's handler failed; that must not unwind through the control.
    }
}

bool ControlBase::ConvertTo(const Variant& value, VarType type, Variant* out) {
    const VarType from = value.Type();
    if (type == VarType::Empty || from == type) {
        *out = value;
        return true;
    }
    if (IsInteger(from)) {
        const int32_t n = IntegerValue(value);
        switch (type) {
        case VarType::I2:
            if (n < std::numeric_limits<int16_t>::min() || n > std::numeric_limits<int16_t>::max()) return false;
            *out = Variant::I2(static_cast<int16_t>(n));
            return true;
        case VarType::I4:
            *out = Variant::I4(n);
            return true;
        case VarType::Bool:
            *out = Variant::Bool(n != 0);
            return true;
        case VarType::R4:
            if (from == VarType::Bool) return false;
            *out = Variant::R4(static_cast<float>(n));
            return true;
        default:
            return false;
        }
    }
    return false;
}

HResult ControlBase::Invoke(int32_t dispid, DispatchKind kind, const std::vector<Variant>& args, Variant* result) {
    try {
        return Dispatch(dispid, kind, args, result);
    } catch (...) {
        return E_FAIL;
    }
}

HResult ControlBase::Dispatch(int32_t dispid, DispatchKind kind, const std::vector<Variant>& args, Variant* result) {
    switch (kind) {
    case DispatchKind::Method: {
        auto it = methods_.find(dispid);
        if (it == methods_.end()) return DISP_E_MEMBERNOTFOUND;
        const MethodEntry& m = it->second;
        if (args.size() != m.params.size()) return DISP_E_BADPARAMCOUNT;
        std::vector<Variant> converted(args.size());
        for (size_t i = 0; i < args.size(); ++i)
            if (!ConvertTo(args[i], m.params[i], &converted[i])) return DISP_E_TYPEMISMATCH;
        // Copy the callable: a member may redefine itself while it runs.
        CheckedMethod fn = m.fn;
        Variant value;
        const HResult hr = fn(converted, &value);
        if (result && Succeeded(hr)) *result = std::move(value);
        return hr;
    }
    case DispatchKind::PropertyGet: {
        auto it = properties_.find(dispid);
        if (it == properties_.end() || !it->second.get) return DISP_E_MEMBERNOTFOUND;
        if (!args.empty()) return DISP_E_BADPARAMCOUNT;
        const VarType type = it->second.type;
        Getter get = it->second.get;
        Variant value = get();
        Variant converted;
        if (ConvertTo(value, type, &converted)) value = std::move(converted);
        if (result) *result = std::move(value);
        return S_OK;
    }
    case DispatchKind::PropertyPut: {
        auto it = properties_.find(dispid);
        if (it == properties_.end() || !it->second.put) return DISP_E_MEMBERNOTFOUND;
        if (args.size() != 1) return DISP_E_BADPARAMCOUNT;
        Variant converted;
        if (!ConvertTo(args[0], it->second.type, &converted)) return DISP_E_TYPEMISMATCH;
        Putter put = it->second.put;
        put(converted);
        return S_OK;
    }
    }
    return DISP_E_MEMBERNOTFOUND;
}

QWidget* ControlBase::CreateControlWindow(QWidget* parent) {
    if (windowMade_) return window_.data();
    windowMade_ = true;
    try {
        window_ = CreateWindowWidget(parent);
    } catch (...) {
        window_ = nullptr;
    }
    return window_.data();
}

void ControlBase::DestroyWindow() {
    if (window_) delete window_.data();
    window_ = nullptr;
}

}  // namespace platform::com
