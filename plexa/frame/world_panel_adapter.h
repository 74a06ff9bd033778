#pragma once
// The host control's panel: the world panel, seen through what the control needs of it.
#include "plexa/frame/plexa_panel.h"

#include <QPointer>

#include <string>

namespace plexa {

class WorldPanel;

class WorldPanelAdapter : public PlexaPanel {
public:
    WorldPanelAdapter();
    ~WorldPanelAdapter() override;

    std::string& WorldUrl() override { return m_worldUrl; }
    QWidget* Create(QWidget* parent) override;
    // Before the panel exists there is no view to load into: -1.
    int32_t LoadVrmlFile(const std::string& address) override;
    void Shutdown() override;

private:
    std::string m_worldUrl;
    QPointer<WorldPanel> m_panel;
};

}  // namespace plexa
