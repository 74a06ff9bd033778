#include "plexa/session/roster_list_dialog.h"

#include "platform/text/byte_text.h"
#include "platform/text/cp932.h"
#include "platform/ui/dialog_units.h"
#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>

namespace plexa {

RosterListDialog::RosterListDialog(const QString& title, QSize size, QRect listRect, QRect closeRect, bool listsOwn,
                                   QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_listsOwn(listsOwn) {
    setModal(false);
    setWindowTitle(title);
    setFont(platform::ui::DialogFont());
    const auto units = platform::ui::DialogUnits::Standard();
    setFixedSize(units.MapSize(size.width(), size.height()));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("rosterList"));
    m_list->setGeometry(units.MapRect(listRect.x(), listRect.y(), listRect.width(), listRect.height()));
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(2);
    m_list->setSortingEnabled(false);
    const auto& strings = res::PlexaStrings();
    m_list->setHeaderLabels({strings.GetQ(res::IDS_AVATAR_NAME_COLUMN), strings.GetQ(res::IDS_IP_ADDRESS_COLUMN)});
    m_list->header()->setSectionsClickable(true);
    m_list->header()->setSectionsMovable(false);
    m_list->header()->setStretchLastSection(true);
    // Half the list's inner width for the name, the rest for the address.
    const int inner = m_list->geometry().width() - 2 * m_list->frameWidth();
    m_list->setColumnWidth(0, inner / 2);
    m_list->setColumnWidth(1, inner - inner / 2);
    connect(m_list->header(), &QHeaderView::sectionClicked, this, &RosterListDialog::SortByColumn);
    m_close = new QPushButton(QString::fromUtf8("閉じる"), this);
    m_close->setObjectName(QStringLiteral("closeButton"));
    m_close->setGeometry(units.MapRect(closeRect.x(), closeRect.y(), closeRect.width(), closeRect.height()));
    m_close->setAutoDefault(false);
    connect(m_close, &QPushButton::clicked, this, &QWidget::hide);
}

void RosterListDialog::Fill(const AvatarRoster& roster) {
    m_rows.clear();
    for (const RosterEntry& entry : roster)
        if (m_listsOwn || !entry.own) m_rows.push_back(entry);
    ShowRows();
}

void RosterListDialog::ShowRows() {
    m_list->clear();
    QList<QTreeWidgetItem*> items;
    for (const RosterEntry& entry : m_rows)
        items.append(new QTreeWidgetItem({platform::ShownText(entry.avatarName), platform::ToQString(entry.address)}));
    m_list->addTopLevelItems(items);
}

int RosterListDialog::CompareRows(const RosterEntry& a, const RosterEntry& b, int column) {
    // Sorting by the address column orders by the user ids behind the addresses.
    const int c = column == 0 ? platform::CompareBytes(a.avatarName, b.avatarName) : platform::CompareBytes(a.userId, b.userId);
    return (c > 0) - (c < 0);
}

void RosterListDialog::SortByColumn(int column) {
    m_sortColumn = column;
    const bool descending = m_descending;
    std::stable_sort(m_rows.begin(), m_rows.end(), [column, descending](const RosterEntry& a, const RosterEntry& b) {
        const int c = CompareRows(a, b, column);
        return descending ? c > 0 : c < 0;
    });
    m_descending = !m_descending;
    ShowRows();
}

}  // namespace plexa
