// A user's day, as the user meets it: the first start without an avatar, choosing one, picking a
// region and a nickname, entering, meeting the others, chatting, a private conversation, a
// gesture, changing options, saving the chat, moving to another region and leaving. Two clients,
// a moneko-bot participant and a real server; a screenshot of every step, each checked for
// drawn content.
#include "platform/text/cp932.h"
#include "platform/ui/bitmap_button.h"
#include "platform/ui/window_timer.h"
#include "plexa/data/action_palette.h"
#include "plexa/data/avatar_select_dialog.h"
#include "plexa/session/esp_partner_dialog.h"
#include "plexa/settings/c_tesk_set_option_dlg.h"
#include "plexa/settings/c_tesk_set_option_page2.h"
#include "plexa/settings/c_tesk_set_option_page4.h"
#include "tests/e2e/support/bot_process.h"
#include "tests/e2e/support/installation.h"
#include "tests/e2e/support/world_test_bed.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace e2e {
namespace {

using plexa::WorldPanel;
using platform::ui::RecordingModalSeam;


// The sheet's button of the role (its buttons are its own, not standard ones).
QAbstractButton* RoleButton(QDialogButtonBox* box, QDialogButtonBox::ButtonRole role) {
    for (QAbstractButton* button : box->buttons())
        if (box->buttonRole(button) == role) return button;
    return nullptr;
}


class UsersDay : public WorldTestBed {
protected:
    QString ArtifactArea() const override { return QStringLiteral("acceptance"); }

    void Shot(QWidget& widget, const QString& name, const QRect& area, int minColours = 12) {
        QTest::qWait(200);
        const QImage image = Screenshot(widget, name);
        EXPECT_TRUE(HasContent(image, area, minColours)) << name.toStdString() << ": the screenshot is (nearly) blank";
    }
};

TEST_F(UsersDay, FromTheFirstStartToLeaving) {
    // A new user: no avatar chosen yet.
    SetText("Talkin\\Avatar", "DirectoryName", "");
    SetText("Talkin\\Avatar", "VrmlFileName", "");
    SetText("Talkin\\Avatar", "ImageFileName", "");
    SetText("Talkin\\Avatar", "AvatarName", "");
    SetNumber("Talkin\\Avatar", "AvatarNo", 0);

    // The options sheet opens on its avatar page; the user opens the chooser, takes the dog and
    // gives a name.
    int sheetPage = -1;
    QString chosenDirectory;
    seam_.AnswerRunModal([&](QDialog* d) {
        auto* sheet = qobject_cast<plexa::CTeskSetOptionDlg*>(d);
        ASSERT_NE(sheet, nullptr) << d->metaObject()->className();
        sheetPage = sheet->ActivePageIndex();
        Shot(*sheet, "01_options_avatar_page", QRect(10, 40, 200, 120));
        sheet->Page4().AvatarButton()->click();
        sheet->Page4().AvatarNameEdit()->setText("alice");
        ASSERT_NE(RoleButton(sheet->Buttons(), QDialogButtonBox::AcceptRole), nullptr);
        RoleButton(sheet->Buttons(), QDialogButtonBox::AcceptRole)->click();
    });
    seam_.AnswerRunModal([&](QDialog* d) {
        auto* chooser = qobject_cast<plexa::AvatarSelectDialog*>(d);
        ASSERT_NE(chooser, nullptr) << d->metaObject()->className();
        const auto& choices = chooser->Choices();
        ASSERT_GE(choices.size(), 4u);
        int dog = 0;
        for (size_t i = 0; i < choices.size(); ++i)
            if (choices[i].directoryName == "dog") dog = static_cast<int>(i);
        // Step by step with the arrow of the scroll bar, as a user clicks it.
        for (int i = 0; i < dog; ++i) chooser->ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        EXPECT_EQ(chooser->CurrentPosition(), dog);
        QTest::qWait(1500);  // the preview loads and turns
        Shot(*chooser, "02_avatar_chooser", QRect(10, 10, 150, 150));
        chosenDirectory = QString::fromStdString(choices[static_cast<size_t>(dog)].directoryName);
        chooser->OkButton()->click();
    });
    AnswerRegionDialog(0, "alice");
    a_ = std::make_unique<WorldPanel>();
    a_->setWindowTitle("alice");
    a_->resize(800, 600);
    a_->show();
    a_->Initialize();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheetPage >= 0; }, 10000)) << MessageTexts().toStdString();
    EXPECT_EQ(sheetPage, 3);
    EXPECT_EQ(MessageCount("ｱﾊﾞﾀｰの設定がされていません。\n環境設定でｱﾊﾞﾀｰ設定を行ってください。"), 1);
    EXPECT_EQ(chosenDirectory, "dog");
    EXPECT_EQ(CSettingsStore().GetDirectoryName(), "dog");

    // With an avatar, the region change goes on by itself to the region and nickname.
    ASSERT_TRUE(QTest::qWaitFor([&] { return a_->Timers().IsActive(WorldPanel::kEntryTimer); }, 10000))
        << MessageTexts().toStdString();
    EXPECT_EQ(a_->Nickname(), "alice");
    Shot(*a_, "03_region_loading", QRect(20, 60, 300, 150));
    ASSERT_TRUE(Enter(*a_)) << MessageTexts().toStdString() << server_.Log();
    Shot(*a_, "04_entered", QRect(20, 60, 300, 150));

    // The others: a second client and a bot.
    b_ = StartPanel("bob", 820);
    ASSERT_TRUE(Enter(*b_)) << MessageTexts().toStdString();
    BotProcess carol;
    ASSERT_TRUE(carol.Start(server_.Port(), platform::ToQString(a_->CurrentRegionAddress()), "carol", "carol"))
        << carol.Output().toStdString();
    ASSERT_TRUE(WaitForRosterSize(*a_, 3) && WaitForRosterSize(*b_, 3)) << server_.Log();
    const int16_t aliceId = a_->Roster().OwnEntry()->clientId;
    Shot(*a_, "05_sees_the_others", QRect(20, 60, 300, 150));

    // Chat: alice types and presses Enter; everyone gets the line, the log keeps it.
    auto* input = a_->Chat().Window()->findChild<QPlainTextEdit*>("chatInput");
    ASSERT_NE(input, nullptr);
    input->setFocus();
    e2e_support::TypeText(input, QString::fromUtf8("こんにちは、みなさん"));
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_GE(carol.WaitForLine(QString("ChatStringReceived %1 こんにちは、みなさん").arg(aliceId), 10000), 0)
        << carol.Output().toStdString();
    carol.Command("say ようこそ alice");
    const QByteArray welcome = QByteArray::fromStdString(platform::Sjis("ようこそ alice"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return e2e_support::FileBytes(InstallPath("ChatLog/Chat/ChatDat.dat")).contains(welcome); }, 10000));
    Shot(*a_, "06_chat", QRect(220, 340, 300, 150));

    // ESP with carol, from the partner chooser.
    a_->OnCommand(218);
    plexa::EspPartnerDialog* partners = a_->EspPartner();
    ASSERT_NE(partners, nullptr);
    int carolRow = -1;
    for (size_t i = 0; i < partners->Rows().size(); ++i)
        if (partners->Rows()[i].clientId == carol.ClientId()) carolRow = static_cast<int>(i);
    ASSERT_GE(carolRow, 0);
    partners->ChooseRow(carolRow);
    Shot(*partners, "07_esp_partner", QRect(5, 5, 100, 60));
    partners->Connect();
    ASSERT_GE(carol.WaitForLine(QString("EspRequested %1").arg(aliceId), 10000), 0) << carol.Output().toStdString();
    carol.Command(QString("esp %1 ないしょの話").arg(aliceId));
    const QByteArray secret = QByteArray::fromStdString(platform::Sjis("ないしょの話"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            for (const QString& f : QDir(InstallPath("ChatLog/Esp")).entryList({"EspDat*.dat"}, QDir::Files))
                if (e2e_support::FileBytes(InstallPath("ChatLog/Esp/" + f)).contains(secret)) return true;
            return false;
        },
        10000));
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && QString(w->metaObject()->className()).contains("Esp") && w != partners)
            Shot(*w, "08_esp_window", QRect(5, 5, 150, 100));

    // A gesture from the palette: the others see it played.
    a_->OnCommand(220);
    plexa::ActionPalette* palette = a_->Palette();
    ASSERT_NE(palette, nullptr);
    ASSERT_GT(palette->ButtonCount(), 1);
    // Flat pictures of few colours each: a handful of colours means drawn buttons.
    Shot(*palette, "09_action_palette", QRect(2, 2, 120, 60), 4);
    palette->Button(148)->click();
    EXPECT_GE(carol.WaitForLine(QString("AvatarActed %1 a01").arg(aliceId), 10000), 0) << carol.Output().toStdString();
    QTest::qWait(500);
    Shot(*b_, "10_gesture_seen_by_bob", QRect(20, 60, 300, 150));

    // Options: the walking page's head light goes off; the panel and the settings take it.
    seam_.AnswerRunModal([&](QDialog* d) {
        auto* sheet = qobject_cast<plexa::CTeskSetOptionDlg*>(d);
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->ActivePageIndex(), 0);
        sheet->Tabs()->setCurrentIndex(1);
        sheet->Page2().m_bHeadLightOn = 0;
        sheet->Page2().DoDataExchange(false);
        Shot(*sheet, "11_options_walk_page", QRect(10, 40, 200, 120));
        ASSERT_NE(RoleButton(sheet->Buttons(), QDialogButtonBox::AcceptRole), nullptr);
        RoleButton(sheet->Buttons(), QDialogButtonBox::AcceptRole)->click();
    });
    a_->OnCommand(223);
    EXPECT_EQ(a_->Options().headLightOn, 0);

    // Save the chat where the user says.
    const QString saved = InstallPath("my_chat.txt");
    seam_.AnswerSaveAs(platform::FromQString(saved));
    a_->OnCommand(225);
    EXPECT_TRUE(e2e_support::FileBytes(saved).contains(welcome)) << saved.toStdString();

    // Another region: bob and carol see alice go; alice is alone in the library.
    AnswerRegionDialog(1, "alice");
    a_->RegionChange();
    ASSERT_TRUE(QTest::qWaitFor([&] { return a_->Timers().IsActive(WorldPanel::kEntryTimer); }, 10000));
    ASSERT_TRUE(Enter(*a_)) << MessageTexts().toStdString();
    EXPECT_TRUE(WaitForRosterSize(*b_, 2));
    EXPECT_EQ(a_->Roster().Size(), 1u);
    EXPECT_GE(carol.WaitForLine(QString("AvatarLeft %1").arg(aliceId), 10000), 0);
    Shot(*a_, "12_another_region", QRect(20, 60, 300, 150));

    // Leaving.
    EXPECT_TRUE(a_->LeaveSequence());
    EXPECT_FALSE(a_->InRegion());
    Shot(*a_, "13_left", QRect(0, 0, 300, 40));
    EXPECT_EQ(MessageCount("アバタの生成に失敗しました。"), 0) << MessageTexts().toStdString();
}

}  // namespace
}  // namespace e2e
