// A client that loses its server is never left stranded: it says why, locks the chat, and comes
// back into the same region by itself once the server returns, with the chat as it was. Not after
// being removed, not once the user gave up, and a server that is not there at the first entry is
// told. Real child controls, a real server and moneko-bot processes.
#include "platform/text/cp932.h"
#include "platform/ui/bitmap_button.h"
#include "platform/ui/window_timer.h"
#include "plexa/session/session_status_line.h"
#include "tests/e2e/support/bot_process.h"
#include "tests/e2e/support/installation.h"
#include "tests/e2e/support/world_test_bed.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace e2e {
namespace {

using plexa::WorldPanel;
using State = plexa::WorldSession::State;



class Reconnection : public WorldTestBed {
protected:
    QString ArtifactArea() const override { return QStringLiteral("reconnection"); }
    QPlainTextEdit* ChatInput(WorldPanel& panel) {
        return panel.Chat().Window()->findChild<QPlainTextEdit*>("chatInput");
    }
    QString Status(WorldPanel& panel) { return panel.StatusLine()->Text(); }
    QString ChatLog() { return InstallPath("ChatLog/Chat/ChatDat.dat"); }
    bool MessageStartsWith(const char* utf8) const { return MessageTexts().contains(QString::fromUtf8(utf8)); }
};

TEST_F(Reconnection, TheServerGoesAndComesBackAndSoDoesTheClient) {
    a_ = StartPanel("alice", 0);
    ASSERT_TRUE(Enter(*a_)) << server_.Log();
    const QString region = platform::ToQString(a_->CurrentRegionAddress());
    {
        BotProcess carol;
        ASSERT_TRUE(carol.Start(server_.Port(), region, "carol", "carol")) << carol.Output().toStdString();
        ASSERT_TRUE(WaitForRosterSize(*a_, 2)) << server_.Log();
        carol.Command("say before the loss");
        ASSERT_TRUE(QTest::qWaitFor([&] { return e2e_support::FileBytes(ChatLog()).contains("before the loss"); }, 10000));

        // The server stops: the user is told why, the chat is locked and says so, the status
        // line says a reconnection is coming.
        const uint16_t port = server_.Port();
        server_.Stop();
        ASSERT_TRUE(QTest::qWaitFor([&] { return a_->Session().Reconnecting(); }, 20000)) << MessageTexts().toStdString();
        EXPECT_TRUE(MessageStartsWith("サーバから切断されました。\nサーバが停止しました。")) << MessageTexts().toStdString();
        EXPECT_FALSE(a_->InRegion());
        EXPECT_TRUE(a_->Roster().IsEmpty());
        ASSERT_NE(ChatInput(*a_), nullptr);
        EXPECT_FALSE(ChatInput(*a_)->isEnabled());
        EXPECT_FALSE(ChatInput(*a_)->placeholderText().isEmpty());
        EXPECT_TRUE(Status(*a_).contains(QString::fromUtf8("再接続"))) << Status(*a_).toStdString();
        Screenshot(*a_, "reconnecting");

        // One try finds nobody; then the server is back on its port.
        ASSERT_TRUE(QTest::qWaitFor([&] { return a_->Session().ReconnectAttempt() >= 2; }, 5000));
        ASSERT_TRUE(server_.Start({"--port", std::to_string(port)})) << server_.Log();
        PointHostAtServer();
    }
    QElapsedTimer sinceReturn;
    sinceReturn.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return a_->InRegion(); }, 8000)) << MessageTexts().toStdString();
    EXPECT_LT(sinceReturn.elapsed(), 5000);
    EXPECT_EQ(a_->Session().CurrentState(), State::InRegion);
    EXPECT_EQ(a_->Nickname(), "alice");
    EXPECT_EQ(platform::ToQString(a_->CurrentRegionAddress()), region);
    EXPECT_TRUE(ChatInput(*a_)->isEnabled());
    // What the chat showed before the loss is there again.
    EXPECT_TRUE(e2e_support::FileBytes(ChatLog()).contains("before the loss"));

    // Someone new sees alice, and chat flows both ways.
    BotProcess dave;
    ASSERT_TRUE(dave.Start(server_.Port(), region, "dave", "dave")) << dave.Output().toStdString();
    ASSERT_TRUE(WaitForRosterSize(*a_, 2)) << server_.Log();
    const int16_t aliceId = a_->Roster().OwnEntry()->clientId;
    dave.Command("say welcome back");
    EXPECT_TRUE(QTest::qWaitFor([&] { return e2e_support::FileBytes(ChatLog()).contains("welcome back"); }, 10000));
    ChatInput(*a_)->setFocus();
    e2e_support::TypeText(ChatInput(*a_), QStringLiteral("hello again"));
    QTest::keyClick(ChatInput(*a_), Qt::Key_Return);
    EXPECT_GE(dave.WaitForLine(QString("ChatStringReceived %1 hello again").arg(aliceId), 10000), 0)
        << dave.Output().toStdString();
    QTest::qWait(300);
    Screenshot(*a_, "back_in_region");
}

TEST_F(Reconnection, RemovedByTheServerStaysOut) {
    a_ = StartPanel("alice", 0);
    ASSERT_TRUE(Enter(*a_)) << server_.Log();
    const int16_t id = a_->Roster().OwnEntry()->clientId;
    EXPECT_EQ(server_.Admin({"kick", std::to_string(id)}).substr(0, 2), "ok");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !a_->InRegion(); }, 10000));
    EXPECT_TRUE(MessageStartsWith("サーバから切断されました。\n管理者により退出させられました。"))
        << MessageTexts().toStdString();
    QTest::qWait(1500);
    EXPECT_EQ(a_->Session().CurrentState(), State::Offline);
    EXPECT_FALSE(a_->InRegion());
    EXPECT_EQ(Status(*a_), QString::fromUtf8("オフライン"));
}

TEST_F(Reconnection, GivingUpWhileWaitingMeansNothingMoreIsTried) {
    a_ = StartPanel("alice", 0);
    ASSERT_TRUE(Enter(*a_)) << server_.Log();
    const uint16_t port = server_.Port();
    server_.Kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return a_->Session().Reconnecting(); }, 20000)) << MessageTexts().toStdString();
    EXPECT_EQ(MessageCount("サーバから切断されました。"), 1) << "a connection that just ended has no reason to add";
    a_->StatusLine()->CancelButton()->click();
    EXPECT_EQ(a_->Session().CurrentState(), State::Offline);
    ASSERT_TRUE(server_.Start({"--port", std::to_string(port)})) << server_.Log();
    QTest::qWait(3000);
    EXPECT_FALSE(a_->InRegion());
    EXPECT_EQ(a_->Session().CurrentState(), State::Offline);
    EXPECT_TRUE(a_->Button(201)->isEnabled()) << "a new visit is one click away";
}

TEST_F(Reconnection, NoServerAtTheFirstEntryIsToldAndTheToolbarComesBack) {
    server_.Stop();
    a_ = StartPanel("alice", 0);
    EXPECT_FALSE(Enter(*a_));
    EXPECT_EQ(MessageCount("サーバへの接続に失敗しました。サーバ名、ユーザ名又はパスワードが違います。"), 1)
        << MessageTexts().toStdString();
    EXPECT_FALSE(a_->RegionChangeBusy());
    EXPECT_EQ(a_->Session().CurrentState(), State::Offline);
    for (int id : {201, 217, 218, 220, 225}) EXPECT_TRUE(a_->Button(id)->isEnabled()) << id;
    EXPECT_FALSE(ChatInput(*a_)->isEnabled());
    Screenshot(*a_, "no_server_at_entry");
}

}  // namespace
}  // namespace e2e
