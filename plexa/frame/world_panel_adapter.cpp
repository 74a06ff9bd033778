#include "plexa/frame/world_panel_adapter.h"

#include "plexa/frame/plexa_ctrl.h"
#include "plexa/session/world_panel.h"

namespace plexa {

WorldPanelAdapter::WorldPanelAdapter() = default;
WorldPanelAdapter::~WorldPanelAdapter() = default;

QWidget* WorldPanelAdapter::Create(QWidget* parent) {
    m_panel = new WorldPanel(parent);
    m_panel->SetWorldAddress(m_worldUrl);
    // Laid out at the control's size before its start, which creates and places the child controls.
    m_panel->setGeometry(0, 0, parent->width(), parent->height());
    m_panel->show();
    m_panel->Initialize();
    return m_panel;
}

int32_t WorldPanelAdapter::LoadVrmlFile(const std::string& address) {
    if (!m_panel) return -1;
    return m_panel->View().LoadVrmlFile(address);
}

void WorldPanelAdapter::Shutdown() {
    if (m_panel) m_panel->Shutdown();
}

std::unique_ptr<PlexaPanel> CPlexaCtrl::MakeWorldPanel() { return std::make_unique<WorldPanelAdapter>(); }

}  // namespace plexa
