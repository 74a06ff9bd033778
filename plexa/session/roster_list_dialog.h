#pragma once
// A modeless window listing the avatars of the region: avatar name and IP address, sortable by a
// click on a column header. The rows keep copies of the roster entries, so a row stays valid
// however the roster changes before the next refill.
#include "plexa/session/avatar_roster.h"

#include <QDialog>

#include <vector>

class QPushButton;
class QTreeWidget;

namespace plexa {

class RosterListDialog : public QDialog {
    Q_OBJECT
public:
    // Standard close button.
    static constexpr int kCloseButtonId = 1;

    // Fills the list from the roster in roster order (the own entry only where the window lists it).
    void Fill(const AvatarRoster& roster);
    // Sorts by a column: 0 by avatar name, any other by user id, bytes compared as unsigned. The
    // first sort is ascending, each further one flips the direction.
    void SortByColumn(int column);

    const std::vector<RosterEntry>& Rows() const { return m_rows; }
    QTreeWidget* List() const { return m_list; }
    QPushButton* CloseButton() const { return m_close; }
    bool SortDescending() const { return m_descending; }
    int SortColumn() const { return m_sortColumn; }

    // -1, 0 or 1: the comparison the sort uses (ascending).
    static int CompareRows(const RosterEntry& a, const RosterEntry& b, int column);

protected:
    // listRect and closeRect in dialog units.
    RosterListDialog(const QString& title, QSize size, QRect listRect, QRect closeRect, bool listsOwn, QWidget* parent);

    void ShowRows();

private:
    QTreeWidget* m_list = nullptr;
    QPushButton* m_close = nullptr;
    std::vector<RosterEntry> m_rows;
    bool m_listsOwn;
    bool m_descending = false;
    int m_sortColumn = 0;
};

}  // namespace plexa
