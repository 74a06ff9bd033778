#include "plexa/session/child_control.h"

namespace plexa {

namespace com = platform::com;
using com::Succeeded;

ChildControl::~ChildControl() { Destroy(); }

com::HResult ChildControl::CreateControl(const com::Guid& clsid, QWidget* container, int controlId, EventHandler handler) {
    Destroy();
    m_controlId = controlId;
    m_handler = std::move(handler);
    com::HResult hr = com::S_OK;
    m_site = com::ControlSite::Create(clsid, container, &hr);
    if (!m_site) return platform::com::Succeeded(hr) ? com::E_FAIL : hr;
    m_site->Advise(this);
    return com::S_OK;
}

void ChildControl::Destroy() {
    if (!m_site) return;
    m_site->Advise(nullptr);
    m_site.reset();
}

com::HResult ChildControl::Invoke(int32_t dispid, std::vector<com::Variant> args, com::Variant* result) {
    if (!m_site) return com::E_FAIL;
    return m_site->Call(dispid, std::move(args), result);
}

bool ChildControl::CallBool(int32_t dispid, std::vector<com::Variant> args) {
    com::Variant result;
    if (!platform::com::Succeeded(Invoke(dispid, std::move(args), &result))) return false;
    return IsTrue(result);
}

void ChildControl::CallVoid(int32_t dispid, std::vector<com::Variant> args) { Invoke(dispid, std::move(args)); }

bool ChildControl::PutProperty(int32_t dispid, com::Variant value) {
    return m_site && platform::com::Succeeded(m_site->Put(dispid, std::move(value)));
}

bool ChildControl::GetProperty(int32_t dispid, com::Variant* value) {
    return m_site && platform::com::Succeeded(m_site->Get(dispid, value));
}

bool ChildControl::IsTrue(const com::Variant& value) {
    switch (value.Type()) {
    case com::VarType::Bool: return value.AsBool();
    case com::VarType::I2: return value.AsI2() != 0;
    case com::VarType::I4: return value.AsI4() != 0;
    default: return false;
    }
}

void ChildControl::OnEvent(int32_t dispid, const std::vector<com::Variant>& args) {
    if (m_handler) m_handler(m_controlId, dispid, args);
}

}  // namespace plexa
