#pragma once
// A child control of the main panel, reached only by class id and dispid. Creation may fail
// (module missing, class not registered); every call then simply fails, as a refused call would.
// Events go to one handler together with the control's id, so the panel binds them by
// (control id, event number).
#include "platform/com/control_site.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace plexa {

class ChildControl : private platform::com::EventSink {
public:
    using EventHandler = std::function<void(int controlId, int32_t event, const std::vector<platform::com::Variant>& args)>;

    ChildControl() = default;
    ~ChildControl() override;
    ChildControl(const ChildControl&) = delete;
    ChildControl& operator=(const ChildControl&) = delete;

    // Creates the control with its window inside container. The result of the creation.
    platform::com::HResult CreateControl(const platform::com::Guid& clsid, QWidget* container, int controlId,
                                  EventHandler handler);
    // Detaches the events and destroys the control and its window.
    void Destroy();

    bool Exists() const { return m_site != nullptr; }
    int ControlId() const { return m_controlId; }
    QWidget* Window() const { return m_site ? m_site->Window() : nullptr; }
    // The hosting site itself, for callers that need a member no wrapper operation covers.
    platform::com::ControlSite* Site() const { return m_site.get(); }

protected:
    // The raw call; E_FAIL without a control.
    platform::com::HResult Invoke(int32_t dispid, std::vector<platform::com::Variant> args,
                                  platform::com::Variant* result = nullptr);
    // A call whose BOOL result is read; a failed call counts as false.
    bool CallBool(int32_t dispid, std::vector<platform::com::Variant> args = {});
    // A call whose result is not looked at.
    void CallVoid(int32_t dispid, std::vector<platform::com::Variant> args = {});
    bool PutProperty(int32_t dispid, platform::com::Variant value);
    bool GetProperty(int32_t dispid, platform::com::Variant* value);

    // Truth of a result the way a BOOL is read: any non-zero integer.
    static bool IsTrue(const platform::com::Variant& value);

private:
    void OnEvent(int32_t dispid, const std::vector<platform::com::Variant>& args) override;

    std::unique_ptr<platform::com::ControlSite> m_site;
    int m_controlId = 0;
    EventHandler m_handler;
};

}  // namespace plexa
