#include "plexa/session/avatar_list_dialog.h"

#include <QTreeWidget>

namespace plexa {

AvatarListDialog::AvatarListDialog(QWidget* parent)
    : RosterListDialog(QString::fromUtf8("リージョン内アバタ一覧"), {214, 137}, {7, 7, 200, 100}, {157, 116, 50, 14},
                       /*listsOwn*/ true, parent) {
    setObjectName(QStringLiteral("AvatarListDialog"));
    List()->setSelectionBehavior(QAbstractItemView::SelectItems);
    List()->setSelectionMode(QAbstractItemView::SingleSelection);
}

}  // namespace plexa
