#include "plexa/session/testdoubles/recording_control.h"

#include "plexa/session/testdoubles/double_ids.h"

#include <QLabel>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace session_doubles {

namespace com = platform::com;
using com::Variant;
using com::VarType;

RecordingControl::RecordingControl(const char* label, std::vector<MemberSpec> members) : m_label(label) {
    for (const MemberSpec& m : members) {
        const std::string name = m.name;
        const int32_t dispid = m.dispid;
        m_results[dispid] = m.result;
        // Results needed while the host creates the control: SESSION_DOUBLES_<label>_<dispid>=n.
        const std::string env = std::string("SESSION_DOUBLES_") + label + "_" + std::to_string(dispid);
        if (const char* value = std::getenv(env.c_str())) {
            const int n = std::atoi(value);
            switch (m.result.Type()) {
            case VarType::I2: m_results[dispid] = Variant::I2(static_cast<int16_t>(n)); break;
            case VarType::I4: m_results[dispid] = Variant::I4(n); break;
            default: m_results[dispid] = Variant::Bool(n != 0); break;
            }
        }
        if (m.property) {
            Getter get;
            if (m.readable) get = [this, dispid] { return Result(dispid); };
            DefineProperty(dispid, m.params.at(0), get,
                           [this, name](const Variant& v) { Record(name + "=" + Format(v)); });
            continue;
        }
        DefineMethod(dispid, m.params, [this, name, dispid](const std::vector<Variant>& args) {
            std::string text = name + "(";
            for (size_t i = 0; i < args.size(); ++i) text += (i ? "," : "") + Format(args[i]);
            Record(text + ")");
            return Result(dispid);
        });
    }
    DefineMethod(kCallCount, {}, [this](const std::vector<Variant>&) {
        return Variant::I4(static_cast<int32_t>(m_calls.size()));
    });
    DefineMethod(kCallText, {VarType::I4}, [this](const std::vector<Variant>& a) {
        const int32_t i = a[0].AsI4();
        return Variant::Bstr(i >= 0 && i < static_cast<int32_t>(m_calls.size()) ? m_calls[i] : std::string());
    });
    DefineMethod(kClearCalls, {}, [this](const std::vector<Variant>&) {
        m_calls.clear();
        return Variant();
    });
    DefineMethod(kSetResult, {VarType::I4, VarType::Empty}, [this](const std::vector<Variant>& a) {
        m_results[a[0].AsI4()] = a[1];
        return Variant();
    });
    DefineMethod(kPushResult, {VarType::I4, VarType::Empty}, [this](const std::vector<Variant>& a) {
        m_pushed[a[0].AsI4()].push_back(a[1]);
        return Variant();
    });
    DefineMethod(kPushEventArg, {VarType::Empty}, [this](const std::vector<Variant>& a) {
        m_eventArgs.push_back(a[0]);
        return Variant();
    });
    DefineMethod(kFireEvent, {VarType::I4}, [this](const std::vector<Variant>& a) {
        std::vector<Variant> args;
        args.swap(m_eventArgs);
        FireEvent(a[0].AsI4(), std::move(args));
        return Variant();
    });
}

RecordingControl::~RecordingControl() { DestroyWindow(); }

QWidget* RecordingControl::CreateWindowWidget(QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(m_label), parent);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::Box);
    return label;
}

Variant RecordingControl::Result(int32_t dispid) {
    auto pushed = m_pushed.find(dispid);
    if (pushed != m_pushed.end() && !pushed->second.empty()) {
        Variant v = pushed->second.front();
        pushed->second.pop_front();
        return v;
    }
    return m_results[dispid];
}

std::string RecordingControl::Format(const Variant& value) {
    switch (value.Type()) {
    case VarType::I2: return std::to_string(value.AsI2());
    case VarType::I4: return std::to_string(value.AsI4());
    case VarType::R4: {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%g", static_cast<double>(value.AsR4()));
        return buf;
    }
    case VarType::Bool: return value.AsBool() ? "true" : "false";
    case VarType::Bstr: return "'" + value.AsBstr() + "'";
    default: return "-";
    }
}

}  // namespace session_doubles
