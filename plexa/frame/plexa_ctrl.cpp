#include "plexa/frame/plexa_ctrl.h"

#include "platform/ui/modal_seam.h"
#include "plexa/frame/plexa_about_dialog.h"
#include "plexa/frame/plexa_app.h"
#include "plexa/frame/plexa_ids.h"
#include "plexa/frame/plexa_window.h"
#include "plexa/resources/resource_ids.h"

namespace plexa {

namespace com = platform::com;

CPlexaCtrl::CPlexaCtrl() : CPlexaCtrl(&CPlexaCtrl::MakeWorldPanel) {}

CPlexaCtrl::CPlexaCtrl(PanelFactory makePanel) : m_panel(makePanel()) {
    DefineProperty(
        kDispidWorld, com::VarType::Bstr, [this] { return com::Variant::Bstr(GetWorld()); },
        [this](const com::Variant& value) { SetWorld(value.AsBstr()); });
    DefineMethod(com::DISPID_ABOUTBOX, {}, [this](const std::vector<com::Variant>&) {
        AboutBox();
        return com::Variant();
    });
    DefineMethod(com::DISPID_LOAD_PROPERTY_BAG, {com::VarType::Bstr}, [this](const std::vector<com::Variant>& args) {
        com::PropertyBag bag = com::PropertyBag::FromText(args[0].AsBstr());
        DoPropExchange(bag, true);
        return com::Variant();
    });
    DefineMethod(com::DISPID_SAVE_PROPERTY_BAG, {}, [this](const std::vector<com::Variant>&) {
        com::PropertyBag bag;
        DoPropExchange(bag, false);
        return com::Variant::Bstr(bag.ToText());
    });
}

CPlexaCtrl::~CPlexaCtrl() {
    // The window's end runs the panel's shutdown while the panel is still there.
    DestroyWindow();
    OnDestroy();
}

void CPlexaCtrl::DoPropExchange(com::PropertyBag& bag, bool loading) {
    std::string& url = m_panel->WorldUrl();
    // A property missing from the bag leaves the value as it was.
    auto exchange = [&](const char* name) {
        if (loading) {
            if (auto value = bag.Read(name)) url = *value;
        } else {
            bag.Write(name, url);
        }
    };
    exchange("SRC");
    if (url.empty()) exchange("World");
}

std::string CPlexaCtrl::GetWorld() const { return {}; }

void CPlexaCtrl::SetWorld(const std::string& world) {
    if (m_panel->LoadVrmlFile(world) == -1) {
        CPlexaApp::ShowModuleMessage(m_window, res::IDS_VRML_LOAD_FAILED);
        return;
    }
    m_modified = true;
}

void CPlexaCtrl::AboutBox() {
    CPlexaAboutDialog dialog(m_window);
    platform::ui::CurrentModalSeam().RunModal(&dialog);
}

QWidget* CPlexaCtrl::CreateWindowWidget(QWidget* parent) {
    auto* window = new CPlexaWindow(parent);
    window->resize(kPlexaInitialWidth, kPlexaInitialHeight);
    window->SetOnDestroy([this] { OnDestroy(); });
    m_window = window;
    if (QWidget* panel = m_panel->Create(window)) {
        window->SetPanel(panel);
        panel->show();
    }
    return window;
}

void CPlexaCtrl::OnDestroy() {
    // Only a control whose window existed has a session to end.
    if (m_shutDown || !m_window) return;
    m_shutDown = true;
    m_panel->Shutdown();
}

}  // namespace plexa
