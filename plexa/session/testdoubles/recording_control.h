#pragma once
// A stand-in control that records every call with its arguments, answers from configurable
// results and fires whatever event a test asks for. The member table gives names and types.
#include "platform/com/control_base.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace session_doubles {

struct MemberSpec {
    int32_t dispid;
    const char* name;
    std::vector<platform::com::VarType> params;  // methods
    platform::com::Variant result;               // default result (method or property get)
    bool property = false;                       // a property of type params[0]
    bool readable = false;                       // property get allowed
};

class RecordingControl : public platform::com::ControlBase {
public:
    RecordingControl(const char* label, std::vector<MemberSpec> members);
    ~RecordingControl() override;

    QWidget* CreateWindowWidget(QWidget* parent) override;

private:
    platform::com::Variant Result(int32_t dispid);
    void Record(std::string text) { m_calls.push_back(std::move(text)); }
    static std::string Format(const platform::com::Variant& value);

    const char* m_label;
    std::vector<std::string> m_calls;
    std::map<int32_t, platform::com::Variant> m_results;
    std::map<int32_t, std::deque<platform::com::Variant>> m_pushed;
    std::vector<platform::com::Variant> m_eventArgs;
};

}  // namespace session_doubles
