#include "plexa/data/region_select_dialog.h"

#include "platform/registry/registry.h"
#include "platform/registry/registry_test_env.h"
#include "platform/text/cp932.h"
#include "platform/ui/beep.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"
#include "plexa/data/region_list.h"
#include "plexa/settings/settings_store.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace plexa {
namespace {
using platform::ui::RecordingModalSeam;

class RegionSelectDialogTest : public platform::registry::RegistryTestEnv {
protected:
    void SetUp() override {
        RegistryTestEnv::SetUp();
        using namespace platform::registry;
        HKEY key = nullptr;
        const std::string avatarKey = std::string(CSettingsStore::kProductKey) + "Talkin\\Avatar";
        ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, avatarKey.c_str(), &key), ERROR_SUCCESS);
        RegCloseKey(key);
        platform::ui::ResetMessageBeepCount();
    }

    QPoint RowCentre(RegionSelectDialog& d, int row) {
        return d.RegionListView()->visualItemRect(d.RegionListView()->topLevelItem(row)).center();
    }
    void ClickRow(RegionSelectDialog& d, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(d.RegionListView()->viewport(), Qt::LeftButton, modifiers, RowCentre(d, row));
    }

    RegionList regions_ = ParseRegionList(platform::Sjis("1,ロビー,lobby.wrl,1\n2,Secret,s.wrl,0\n3,Hall,hall.wrl,1\n"));
    CSettingsStore settings_;
    RecordingModalSeam seam_;
    platform::ui::ScopedModalSeam scoped_{seam_};
};

TEST_F(RegionSelectDialogTest, InitialStateListsVisibleRegionsOnly) {
    settings_.SetAvatarName("Mike");
    RegionSelectDialog d(regions_, settings_);
    d.show();
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("リージョン選択"));
    EXPECT_EQ(d.size(), QSize(213, 249));
    QTreeWidget* list = d.RegionListView();
    EXPECT_EQ(list->geometry(), QRect(11, 11, 192, 171));
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QString::fromUtf8("ロビー"));
    EXPECT_EQ(list->topLevelItem(1)->text(0), "Hall");
    EXPECT_TRUE(list->isHeaderHidden());
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(d.AvatarNameEdit()->text(), "Mike");
    EXPECT_EQ(d.AvatarNameEdit()->maxLength(), 32);
    EXPECT_FALSE(d.OkButton()->isEnabled());
    EXPECT_EQ(d.SelectedIndex(), -1);
    EXPECT_EQ(d.CancelButton()->text(), QString::fromUtf8("ｷｬﾝｾﾙ"));
}

TEST_F(RegionSelectDialogTest, OkFollowsSelectionAndName) {
    RegionSelectDialog d(regions_, settings_);
    d.show();
    ClickRow(d, 1);
    EXPECT_EQ(d.SelectedIndex(), 1);
    EXPECT_FALSE(d.OkButton()->isEnabled()) << "no name yet";
    QTest::keyClicks(d.AvatarNameEdit(), "Tama9");
    EXPECT_TRUE(d.OkButton()->isEnabled());
    EXPECT_EQ(platform::ui::MessageBeepCount(), 0);
    d.AvatarNameEdit()->clear();
    EXPECT_FALSE(d.OkButton()->isEnabled());
}

TEST_F(RegionSelectDialogTest, AnythingButLettersAndDigitsClearsWithABeepEach) {
    RegionSelectDialog d(regions_, settings_);
    d.show();
    ClickRow(d, 0);
    QTest::keyClicks(d.AvatarNameEdit(), "ab");
    QTest::keyClick(d.AvatarNameEdit(), Qt::Key_Space);
    EXPECT_EQ(d.AvatarNameEdit()->text(), "");
    EXPECT_EQ(platform::ui::MessageBeepCount(), 1);
    EXPECT_FALSE(d.OkButton()->isEnabled());

    // A pasted text with three such characters beeps three times.
    d.AvatarNameEdit()->setText("a-b.c_d");
    EXPECT_EQ(d.AvatarNameEdit()->text(), "");
    EXPECT_EQ(platform::ui::MessageBeepCount(), 4);

    // A double-byte character typed through the keyboard.
    QTest::keyClicks(d.AvatarNameEdit(), "x");
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("猫"));
    QApplication::sendEvent(d.AvatarNameEdit(), &press);
    EXPECT_EQ(d.AvatarNameEdit()->text(), "");
    EXPECT_EQ(platform::ui::MessageBeepCount(), 5);

    QTest::keyClicks(d.AvatarNameEdit(), QString(40, 'a'));
    EXPECT_EQ(d.AvatarNameEdit()->text().size(), 32);
}

TEST_F(RegionSelectDialogTest, OkWithoutSelectedRegionShowsMessageAndStaysOpen) {
    RegionSelectDialog d(regions_, settings_);
    d.show();
    QTest::keyClicks(d.AvatarNameEdit(), "Mike");
    ClickRow(d, 0);
    ClickRow(d, 0, Qt::ControlModifier);  // deselects; the row keeps the focus
    ASSERT_TRUE(d.RegionListView()->selectedItems().isEmpty());
    ASSERT_TRUE(d.OkButton()->isEnabled());
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    ASSERT_EQ(seam_.CountOf(RecordingModalSeam::Kind::MessageBox), 1);
    const auto call = seam_.CallsOf(RecordingModalSeam::Kind::MessageBox).front();
    EXPECT_EQ(call.text, platform::Sjis("リージョンが選択されていません。"));
    EXPECT_EQ(call.caption, platform::Sjis("Moneko♪"));
    EXPECT_TRUE(d.isVisible());
    EXPECT_NE(d.result(), QDialog::Accepted);
    EXPECT_EQ(settings_.GetAvatarName(), "");
}

TEST_F(RegionSelectDialogTest, OkReturnsChoiceAndStoresNameOnlyWhenNoneStored) {
    {
        RegionSelectDialog d(regions_, settings_);
        d.show();
        ClickRow(d, 0);
        QTest::keyClicks(d.AvatarNameEdit(), "Mike");
        QTest::mouseClick(d.OkButton(), Qt::LeftButton);
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_EQ(d.SelectedName(), platform::Sjis("ロビー"));
        EXPECT_EQ(d.SelectedUrl(), "lobby.wrl");
        EXPECT_EQ(d.AvatarName(), "Mike");
        EXPECT_EQ(settings_.GetAvatarName(), "Mike");
    }
    RegionSelectDialog d(regions_, settings_);
    d.show();
    d.AvatarNameEdit()->setText("Tama");
    // Double-click acts as OK (the first press of a double click arrives as a click).
    ClickRow(d, 1);
    QTest::mouseDClick(d.RegionListView()->viewport(), Qt::LeftButton, Qt::NoModifier, RowCentre(d, 1));
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.SelectedUrl(), "hall.wrl");
    EXPECT_EQ(d.AvatarName(), "Tama");
    EXPECT_EQ(settings_.GetAvatarName(), "Mike");
}

TEST_F(RegionSelectDialogTest, OnlyHiddenRegionsNeverEnableOk) {
    const RegionList hidden = ParseRegionList("1,A,a.wrl,0\n2,B,b.wrl,\n");
    RegionSelectDialog d(hidden, settings_);
    d.show();
    QTest::keyClicks(d.AvatarNameEdit(), "Mike");
    EXPECT_EQ(d.RegionListView()->topLevelItemCount(), 0);
    EXPECT_FALSE(d.OkButton()->isEnabled());
}

TEST_F(RegionSelectDialogTest, ALongNameIsShownWholeWhileTheListHasRoom) {
    const RegionList longNames = ParseRegionList(platform::Sjis("1,ロビー（はじまりの部屋）,lobby.wrl,1\n2,B,b.wrl,1\n"));
    RegionSelectDialog d(longNames, settings_);
    d.show();
    QTreeWidget* list = d.RegionListView();
    const int need = list->fontMetrics().horizontalAdvance(list->topLevelItem(0)->text(0));
    ASSERT_LT(need, list->viewport()->width()) << "the list is wide enough for the name";
    EXPECT_GE(list->header()->sectionSize(0), need);
    // After the user widens the dialog the half-width column still grows for the name.
    d.resize(260, 300);
    EXPECT_GE(list->header()->sectionSize(0), need);
    EXPECT_LE(list->header()->sectionSize(0), list->contentsRect().width());
}

TEST_F(RegionSelectDialogTest, ResizeLaysOutListAndButtons) {
    RegionSelectDialog d(regions_, settings_);
    d.show();
    const QSize ok = d.OkButton()->size();
    d.resize(330, 300);
    EXPECT_EQ(d.RegionListView()->geometry(), QRect(15, 15, 300, 245));
    EXPECT_EQ(d.RegionListView()->header()->sectionSize(0), 150);
    EXPECT_EQ(d.OkButton()->size(), ok);
    EXPECT_EQ(d.OkButton()->pos(), QPoint(330 - 2 * ok.width() - 20, 300 - ok.height() - 10));
    EXPECT_EQ(d.CancelButton()->pos(), QPoint(330 - ok.width() - 10, 300 - ok.height() - 10));
    const QString dir = qEnvironmentVariable("MONEKO_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        d.resize(213, 249);
        ClickRow(d, 0);
        d.AvatarNameEdit()->setText("Mike");
        d.grab().save(dir + "/region_select_dialog.png");
    }
}

}  // namespace
}  // namespace plexa
