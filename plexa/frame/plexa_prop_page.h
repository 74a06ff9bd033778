#pragma once
// The control's one property page (dialog 200, "General"). The control has no property a user
// sets by hand, so the page only says so.
#include "platform/com/control_base.h"

namespace plexa {

class CPlexaPropPage : public platform::com::ControlBase {
public:
    CPlexaPropPage() = default;
    ~CPlexaPropPage() override;

    // The page's caption, string 200.
    static QString Caption();

protected:
    QWidget* CreateWindowWidget(QWidget* parent) override;
};

}  // namespace plexa
