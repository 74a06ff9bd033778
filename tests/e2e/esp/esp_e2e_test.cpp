// Two users chat and talk privately: both panels run the real chat, view and communication
// controls against a real server on loopback, each with its own installation folder (as two
// machines would have).
#include "platform/com/module_loader.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_test_env.h"
#include "platform/text/cp932.h"
#include "platform/ui/bitmap_button.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"
#include "platform/ui/window_timer.h"
#include "plexa/data/region_select_dialog.h"
#include "plexa/session/esp_partner_dialog.h"
#include "plexa/session/world_panel.h"
#include "server/server_process.h"
#include "plexa/settings/settings_test_writer.h"
#include "tests/e2e/support/installation.h"
#include "tests/e2e/support/world_test_bed.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace plexa {
namespace {

namespace reg = platform::registry;
namespace com = platform::com;
using platform::ui::RecordingModalSeam;



class EspEndToEnd : public e2e::WorldTestBed {
protected:
    void SetUp() override {
        WorldTestBed::SetUp();
        // Conversations are kept without asking, so closing them runs no dialog.
        SetNumber("Option\\Chat", "ChatAutoSave", 1);
        SetNumber("Option\\Chat", "EspAutoSave", 1);
        SetText("Option\\Chat", "EspSaveFilePrefix", "esp");
    }
    QString ArtifactArea() const override { return QStringLiteral("esp"); }

    static QPlainTextEdit* ChatInput(WorldPanel& panel) {
        return panel.Chat().Window()->findChild<QPlainTextEdit*>("chatInput");
    }
    static QDialog* EspWindow(WorldPanel& panel) { return panel.findChild<QDialog*>("EspWindow"); }
    static QTabBar* EspTabs(WorldPanel& panel) {
        QDialog* esp = EspWindow(panel);
        return esp ? esp->findChild<QTabBar*>("EspTabCtrl") : nullptr;
    }
    static int EspTabCount(WorldPanel& panel) {
        QDialog* esp = EspWindow(panel);
        QTabBar* tabs = EspTabs(panel);
        return esp && tabs && esp->isVisible() ? tabs->count() : 0;
    }
    static QString EspPaneText(WorldPanel& panel) {
        QDialog* esp = EspWindow(panel);
        if (!esp) return {};
        for (QTextEdit* pane : esp->findChildren<QTextEdit*>())
            if (pane->isVisibleTo(esp)) return pane->toPlainText();
        return {};
    }
    static void TypeAndEnter(QPlainTextEdit* edit, const QString& text) {
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->setPlainText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    static QString ChatLog(const QTemporaryDir& install) { return install.path() + "/ChatLog/Chat/ChatDat.dat"; }
    static QString EspLog(const QTemporaryDir& install) { return install.path() + "/ChatLog/Esp/EspDat0.dat"; }

    // Alice's and Bob's own installations.
    QTemporaryDir& installA_ = install_;
    QTemporaryDir& installB_ = secondInstall_;
};

TEST_F(EspEndToEnd, ChatAnnouncementAndAPrivateConversationBetweenTwoUsers) {
    a_ = EnterAs("alice", installA_, 0);
    b_ = EnterAs("bob", installB_, 820);
    ASSERT_FALSE(HasFailure());
    ASSERT_TRUE(QTest::qWaitFor([&] { return a_->Roster().Size() == 2 && b_->Roster().Size() == 2; }, 10000))
        << server_.Log();

    // A chat line reaches both, the sender's own copy coming back from the server.
    TypeAndEnter(ChatInput(*a_), "hello everyone");
    const QByteArray aliceLine = "alice,127.0.0.1,hello everyone\r\n";
    ASSERT_TRUE(QTest::qWaitFor([&] { return e2e_support::FileBytes(ChatLog(installB_)).contains(aliceLine); }, 5000))
        << e2e_support::FileBytes(ChatLog(installB_)).toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return e2e_support::FileBytes(ChatLog(installA_)).contains("alice,Localhost,hello everyone\r\n"); }, 5000))
        << e2e_support::FileBytes(ChatLog(installA_)).toStdString();

    // The server's announcement appears as "Admin" in both.
    EXPECT_EQ(server_.Admin({"announce", "maintenance at noon"}).substr(0, 2), "ok");
    for (const QTemporaryDir* install : {&installA_, &installB_})
        EXPECT_TRUE(QTest::qWaitFor([&] { return e2e_support::FileBytes(ChatLog(*install)).contains("Admin,Localhost,maintenance at noon\r\n"); },
                                    5000))
            << e2e_support::FileBytes(ChatLog(*install)).toStdString();

    // Alice picks Bob in the partner chooser: both windows open with one tab.
    a_->Button(218)->click();
    EspPartnerDialog* chooser = a_->EspPartner();
    ASSERT_TRUE(chooser->isVisible());
    QTreeWidget* list = chooser->List();
    ASSERT_EQ(list->topLevelItemCount(), 1) << "the chooser lists only the other user";
    EXPECT_EQ(list->topLevelItem(0)->text(0), "bob");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(0)).center());
    ASSERT_TRUE(chooser->ConnectButton()->isEnabled());
    chooser->ConnectButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return EspTabCount(*a_) == 1 && EspTabCount(*b_) == 1; }, 5000)) << server_.Log();
    EXPECT_EQ(EspTabs(*a_)->tabText(0), "bob(127.0.0.1)");
    EXPECT_EQ(EspTabs(*b_)->tabText(0), "alice(127.0.0.1)");
    EXPECT_TRUE(seam_.CallsOf(RecordingModalSeam::Kind::MessageBox).empty());

    // Lines flow both ways and land in both logs.
    QDialog* espA = EspWindow(*a_);
    QDialog* espB = EspWindow(*b_);
    TypeAndEnter(espA->findChild<QPlainTextEdit*>("espInput"), "psst, bob");
    ASSERT_TRUE(QTest::qWaitFor([&] { return EspPaneText(*b_) == "psst, bob\n"; }, 5000)) << EspPaneText(*b_).toStdString();
    TypeAndEnter(espB->findChild<QPlainTextEdit*>("espInput"), "yes, alice?");
    ASSERT_TRUE(QTest::qWaitFor([&] { return EspPaneText(*a_) == "psst, bob\nyes, alice?\n"; }, 5000))
        << EspPaneText(*a_).toStdString();
    EXPECT_EQ(EspPaneText(*b_), "psst, bob\nyes, alice?\n");
    const std::string aliceId = a_->UserId(), bobId = b_->UserId();
    EXPECT_EQ(e2e_support::FileBytes(EspLog(installA_)).toStdString(),
              "alice," + aliceId + ",psst, bob\r\nbob,127.0.0.1,yes, alice?\r\n");
    EXPECT_EQ(e2e_support::FileBytes(EspLog(installB_)).toStdString(),
              "alice,127.0.0.1,psst, bob\r\nbob," + bobId + ",yes, alice?\r\n");
    espA->move(0, 620);
    espB->move(820, 620);
    QTest::qWait(100);
    Screenshot(*espA, "esp_window_alice");
    Screenshot(*espB, "esp_window_bob");

    // Bob ends the conversation: Alice's tab closes too, and each side keeps its copy.
    espB->findChild<QAbstractButton*>("espEnd")->click();
    EXPECT_EQ(EspTabCount(*b_), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return EspTabCount(*a_) == 0; }, 5000)) << server_.Log();
    EXPECT_FALSE(espA->isVisible());
    EXPECT_FALSE(QFile::exists(EspLog(installA_)));
    const QStringList savedA = QDir(installA_.path() + "/ChatLog/Esp").entryList({"esp*.txt"}, QDir::Files);
    ASSERT_EQ(savedA.size(), 1);
    EXPECT_TRUE(savedA[0].startsWith("esp7F000001_")) << savedA[0].toStdString();
    EXPECT_EQ(QDir(installB_.path() + "/ChatLog/Esp").entryList({"esp*.txt"}, QDir::Files).size(), 1);
    EXPECT_TRUE(seam_.CallsOf(RecordingModalSeam::Kind::MessageBox).empty());

    // A new request after the end opens a fresh window on both sides.
    chooser->ConnectButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return EspTabCount(*a_) == 1 && EspTabCount(*b_) == 1; }, 5000)) << server_.Log();
    EXPECT_EQ(EspPaneText(*a_), "");
}

}  // namespace
}  // namespace plexa
