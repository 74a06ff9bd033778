#pragma once
// The WorldView control: property 100 names the VRML file to preview. The other properties
// hosts set are kept for them to read back; the preview has no use for them.
#include "controls/worldview/world_view_widget.h"
#include "platform/com/control_base.h"

#include <QPointer>

#include <map>
#include <string>

class CWorldViewCtrl : public platform::com::ControlBase {
public:
    static constexpr int32_t kVrmlPath = 100;

    CWorldViewCtrl();
    ~CWorldViewCtrl() override;
    QWidget* CreateWindowWidget(QWidget* parent) override;

private:
    QPointer<WorldViewWidget> view_;
    std::string path_;
    std::map<int32_t, platform::com::Variant> settings_;
};
