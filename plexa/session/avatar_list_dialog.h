#pragma once
// The list of avatars in the region, the user's own included (toolbar button 217).
#include "plexa/session/roster_list_dialog.h"

namespace plexa {

class AvatarListDialog : public RosterListDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 204;
    static constexpr int kListId = 210;

    explicit AvatarListDialog(QWidget* parent = nullptr);
};

}  // namespace plexa
