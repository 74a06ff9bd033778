#include "plexa/frame/world_panel_adapter.h"

#include "plexa/frame/plexa_ctrl.h"

namespace plexa {

// Until the world panel is linked in, the control shows an empty panel that loads no world.
WorldPanelAdapter::WorldPanelAdapter() = default;
WorldPanelAdapter::~WorldPanelAdapter() = default;

QWidget* WorldPanelAdapter::Create(QWidget* parent) {
    m_panel = new QWidget(parent);
    return m_panel;
}

int32_t WorldPanelAdapter::LoadVrmlFile(const std::string&) { return -1; }

void WorldPanelAdapter::Shutdown() {}

std::unique_ptr<PlexaPanel> CPlexaCtrl::MakeWorldPanel() { return std::make_unique<WorldPanelAdapter>(); }

}  // namespace plexa
