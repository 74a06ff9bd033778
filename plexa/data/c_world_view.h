#pragma once
// The WorldView preview control, reached only by class id and dispid: a live 3D view of one VRML
// file. Creation may fail (module missing, class not registered); every call then does nothing.
#include "platform/com/control_site.h"

#include <QRect>
#include <memory>
#include <string>

class QWidget;

namespace plexa {

class CWorldView {
public:
    // {712EE935-558F-458E-B826-385FF4F58AE3}
    static const platform::com::Guid kClassId;
    enum Dispid : int32_t {
        kVrmlPath = 100, kSetting501 = 501, kSetting504 = 504, kSetting510 = 510, kSetting512 = 512,
        kSetting513 = 513, kSetting516 = 516,
    };

    CWorldView() = default;
    ~CWorldView();
    CWorldView(const CWorldView&) = delete;
    CWorldView& operator=(const CWorldView&) = delete;

    // Creates the control with a visible window named "WorldView" covering rect of parent.
    platform::com::HResult Create(QWidget* parent, const QRect& rect, const platform::com::Guid& clsid = kClassId);
    // Destroys the control and its window.
    void Destroy();

    bool Exists() const { return m_site != nullptr; }
    QWidget* Window() const { return m_site ? m_site->Window() : nullptr; }

    void SetFlag(int32_t dispid, bool on);
    void SetNumber(int32_t dispid, int32_t value);
    // Loads and shows the VRML file (CP932 path).
    void SetVrmlPath(const std::string& path);
    // The file the control says it shows; empty without a control.
    std::string VrmlPath() const;

private:
    std::unique_ptr<platform::com::ControlSite> m_site;
};

}  // namespace plexa
