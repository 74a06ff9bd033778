#pragma once
// Modal dialog in which the user picks a region to enter and the avatar name to enter with.
#include "plexa/data/region_entry.h"

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class CSettingsStore;

namespace plexa {

class RegionSelectDialog : public QDialog {
    Q_OBJECT
public:
    // regions: the panel's list, not owned; it must outlive the dialog.
    RegionSelectDialog(const RegionList& regions, CSettingsStore& settings, QWidget* parent = nullptr);

    // Results, valid after the dialog ended with Accepted (CP932).
    const std::string& SelectedName() const { return m_selectedName; }
    const std::string& SelectedUrl() const { return m_selectedUrl; }
    const std::string& AvatarName() const { return m_avatarName; }
    int SelectedIndex() const { return m_selectedIndex; }

    QTreeWidget* RegionListView() const { return m_list; }
    QLineEdit* AvatarNameEdit() const { return m_avatarEdit; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnAvatarNameChanged();
    void WidenColumnForNames();
    void OnItemChanged(int row, bool stateNotEmpty);
    void OnOk();
    void UpdateData();
    const RegionEntry* EntryOf(const QTreeWidgetItem* item) const;

    const RegionList& m_regions;
    CSettingsStore& m_settings;
    QTreeWidget* m_list;
    QLineEdit* m_avatarEdit;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    std::string m_avatarName;
    std::string m_selectedName;
    std::string m_selectedUrl;
    int m_selectedIndex = -1;
};

}  // namespace plexa
