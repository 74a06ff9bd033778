#pragma once
// The chat control's property page. Every property is set by the host, so the page edits none.
#include "platform/com/control_base.h"

namespace teskchat {

class CTeskChatPropPage : public platform::com::ControlBase {
public:
    CTeskChatPropPage() = default;
    ~CTeskChatPropPage() override;

    QWidget* CreateWindowWidget(QWidget* parent) override;
};

}  // namespace teskchat
