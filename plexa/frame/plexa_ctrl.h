#pragma once
// The world host control a page embeds: a thin frame around the panel that fills it. Its
// dispatch interface _DPlexa has the property World (dispid 1) and AboutBox (DISPID_ABOUTBOX).
//
// Object parameters: the host passes the page's <param> elements before it creates the
// control's window, as a property bag (platform/com/property_bag.h) through the method
// DISPID_LOAD_PROPERTY_BAG; "SRC" or "World" name the world to show, "SRC" winning when both
// are given. DISPID_SAVE_PROPERTY_BAG returns the control's properties in the same form.
#include "platform/com/control_base.h"
#include "platform/com/property_bag.h"
#include "plexa/frame/plexa_panel.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <string>

namespace plexa {

class CPlexaWindow;

class CPlexaCtrl : public platform::com::ControlBase {
public:
    using PanelFactory = std::function<std::unique_ptr<PlexaPanel>()>;

    CPlexaCtrl();  // with the world panel
    explicit CPlexaCtrl(PanelFactory makePanel);
    ~CPlexaCtrl() override;

    // Loads (or saves) "SRC" and "World" from (or into) the bag.
    void DoPropExchange(platform::com::PropertyBag& bag, bool loading);

    std::string GetWorld() const;
    void SetWorld(const std::string& world);
    void AboutBox();

    bool IsModified() const { return m_modified; }
    PlexaPanel& Panel() { return *m_panel; }

    // The panel the control uses unless told otherwise.
    static std::unique_ptr<PlexaPanel> MakeWorldPanel();

protected:
    QWidget* CreateWindowWidget(QWidget* parent) override;

private:
    void OnDestroy();

    std::unique_ptr<PlexaPanel> m_panel;
    QPointer<CPlexaWindow> m_window;
    bool m_modified = false;
    bool m_shutDown = false;
};

}  // namespace plexa
