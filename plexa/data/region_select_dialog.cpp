#include "plexa/data/region_select_dialog.h"

#include "platform/text/cp932.h"
#include "platform/ui/beep.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/message_box.h"
#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"
#include "plexa/settings/settings_store.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QTreeWidget>
#include <QFontMetrics>
#include <QStyle>

#include <algorithm>

namespace plexa {
namespace {
constexpr int kEntryRole = Qt::UserRole;

bool IsAsciiAlnum(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}
}  // namespace

RegionSelectDialog::RegionSelectDialog(const RegionList& regions, CSettingsStore& settings, QWidget* parent)
    : QDialog(parent), m_regions(regions), m_settings(settings) {
    using namespace res;
    const auto du = platform::ui::DialogUnits::Standard();
    setObjectName(QString::number(IDD_REGION_SELECT));
    setWindowTitle(QString::fromUtf8("リージョン選択"));
    setFont(platform::ui::DialogFont());
    setSizeGripEnabled(true);
    resize(du.MapSize(IDD_REGION_SELECT_WIDTH, IDD_REGION_SELECT_HEIGHT));

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QString::number(IDC_REGION_LIST));
    m_list->setGeometry(du.MapRect(7, 7, 128, 114));
    m_list->setHeaderHidden(true);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setUniformRowHeights(true);

    auto* label = new QLabel(QString::fromUtf8("ｱﾊﾞﾀｰ名 :"), this);
    label->setGeometry(du.MapRect(7, 127, 32, 8));
    m_avatarEdit = new QLineEdit(this);
    m_avatarEdit->setObjectName(QString::number(IDC_AVATAR_NAME));
    m_avatarEdit->setGeometry(du.MapRect(40, 124, 95, 14));
    m_avatarEdit->setMaxLength(kAvatarNameMaxLength);
    label->setBuddy(m_avatarEdit);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QString::number(IDOK));
    m_ok->setGeometry(du.MapRect(7, 145, 50, 14));
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    m_cancel = new QPushButton(QString::fromUtf8("ｷｬﾝｾﾙ"), this);
    m_cancel->setObjectName(QString::number(IDCANCEL));
    m_cancel->setGeometry(du.MapRect(85, 145, 50, 14));
    m_cancel->setAutoDefault(false);

    // One column as wide as the list's client area; hidden regions are never listed.
    m_list->setHeaderLabels({PlexaStrings().GetQ(IDS_REGION_COLUMN)});
    m_list->header()->setStretchLastSection(false);
    m_list->header()->resizeSection(0, m_list->viewport()->width());
    for (size_t i = 0; i < m_regions.size(); ++i) {
        if (m_regions[i].hidden) continue;
        auto* item = new QTreeWidgetItem(m_list, {platform::ToQString(m_regions[i].name)});
        item->setData(0, kEntryRole, static_cast<qulonglong>(i));
    }
    WidenColumnForNames();
    if (m_list->topLevelItemCount() > 0) m_list->scrollToItem(m_list->topLevelItem(0));
    m_selectedIndex = -1;
    m_avatarEdit->setText(platform::ToQString(m_settings.GetAvatarName()));
    m_avatarName = platform::FromQString(m_avatarEdit->text());

    connect(m_avatarEdit, &QLineEdit::textChanged, this, &RegionSelectDialog::OnAvatarNameChanged);
    // Selection and focus changes both count as an item change, as the list reports them.
    auto* model = m_list->selectionModel();
    connect(model, &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                const int current = m_list->currentIndex().row();
                for (const QModelIndex& index : deselected.indexes())
                    OnItemChanged(index.row(), index.row() == current);
                for (const QModelIndex& index : selected.indexes()) OnItemChanged(index.row(), true);
            });
    connect(model, &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                if (previous.isValid())
                    OnItemChanged(previous.row(), m_list->selectionModel()->isSelected(previous));
                if (current.isValid()) OnItemChanged(current.row(), true);
            });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { OnOk(); });
    connect(m_ok, &QPushButton::clicked, this, &RegionSelectDialog::OnOk);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void RegionSelectDialog::UpdateData() { m_avatarName = platform::FromQString(m_avatarEdit->text()); }

const RegionEntry* RegionSelectDialog::EntryOf(const QTreeWidgetItem* item) const {
    if (!item) return nullptr;
    const auto i = item->data(0, kEntryRole).toULongLong();
    return i < m_regions.size() ? &m_regions[i] : nullptr;
}

void RegionSelectDialog::OnAvatarNameChanged() {
    // Only ASCII letters and digits make a name; anything else clears it with a beep per character.
    const QString text = m_avatarEdit->text();
    for (QChar c : text) {
        if (IsAsciiAlnum(c)) continue;
        platform::ui::MessageBeep(platform::ui::MB_ICONEXCLAMATION);
        m_avatarEdit->setText(QString());
    }
    UpdateData();
    m_ok->setEnabled(!m_avatarName.empty() && m_selectedIndex != -1);
}

void RegionSelectDialog::OnItemChanged(int row, bool stateNotEmpty) {
    UpdateData();
    if (stateNotEmpty) {
        const RegionEntry* entry = EntryOf(m_list->topLevelItem(row));
        m_ok->setEnabled(entry && !entry->hidden && !m_avatarName.empty());
    }
    m_selectedIndex = row;
}

void RegionSelectDialog::OnOk() {
    UpdateData();
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    const RegionEntry* entry = selected.isEmpty() ? nullptr : EntryOf(selected.front());
    if (!entry) {
        const auto& strings = res::PlexaStrings();
        platform::ui::ShowMessageBox(this, strings.Get(res::IDS_REGION_NOT_SELECTED), strings.Get(res::IDS_CAPTION),
                                     platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION);
        return;
    }
    m_selectedName = entry->name;
    m_selectedUrl = entry->url;
    if (m_avatarName.empty()) return;
    // A name already stored is kept; the caller enters with the one typed here.
    if (m_settings.GetAvatarName().empty()) m_settings.SetAvatarName(m_avatarName);
    accept();
}

void RegionSelectDialog::WidenColumnForNames() {
    // A name cut short while the list has room to show it whole helps nobody: the column grows to
    // the longest name, as far as the list is wide.
    const QFontMetrics metrics(m_list->font());
    int longest = 0;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        longest = std::max(longest, metrics.horizontalAdvance(m_list->topLevelItem(i)->text(0)));
    const int padding = 2 * m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 8;
    const int room = m_list->contentsRect().width() - m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int wanted = std::min(longest + padding, room);
    if (wanted > m_list->header()->sectionSize(0)) m_list->header()->resizeSection(0, wanted);
}

void RegionSelectDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // The template layout stands until the user resizes the dialog.
    if (!event->oldSize().isValid()) return;
    const int w = width();
    const int h = height();
    m_list->setGeometry(15, 15, w - 30, h - 55);
    m_list->header()->resizeSection(0, (w - 30) / 2);
    WidenColumnForNames();
    const QSize ok = m_ok->size();
    m_ok->move(w - 2 * ok.width() - 20, h - ok.height() - 10);
    const QSize cancel = m_cancel->size();
    m_cancel->move(w - cancel.width() - 10, h - cancel.height() - 10);
    m_ok->update();
    m_cancel->update();
}

}  // namespace plexa
