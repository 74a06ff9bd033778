// The session beyond a visit's plain course: a server that cannot be reached, a server that ends
// the session with or without a reason, coming back by itself, giving that up, and a first start
// that goes on to the region dialog. The child controls are recording stand-ins.
#include "platform/ui/bitmap_button.h"
#include "platform/ui/window_timer.h"
#include "plexa/data/own_avatar_card.h"
#include "plexa/session/reconnect_backoff.h"
#include "plexa/session/session_status_line.h"
#include "plexa/session/session_test_support.h"
#include "plexa/session/world_session.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTest>

namespace plexa::testing {
namespace {

using com::Variant;
using platform::ui::RecordingModalSeam;
using State = WorldSession::State;

constexpr const char* kConnectFailed = "サーバへの接続に失敗しました。サーバ名、ユーザ名又はパスワードが違います。";
constexpr const char* kDisconnected = "サーバから切断されました。";

// The wait before the next try is the back-off's, give or take the timer's coarseness (5 %).
bool WaitsAbout(const WorldSession& session, int ms) {
    const int left = session.NextAttemptInMs();
    return left > ms * 9 / 10 && left <= ms * 11 / 10;
}

class WorldSessionTest : public PanelTest {
protected:
    // A panel in the lobby, its waits before reconnecting without randomness.
    std::unique_ptr<WorldPanel> InRegionPanel() {
        auto panel = MakePanel();
        panel->Session().SetJitter([] { return 0.0; });
        Enter(*panel);
        EXPECT_TRUE(panel->InRegion());
        return panel;
    }
    void LoseServer(WorldPanel& panel, int reason, const std::string& words = {}) {
        Recorder comm(panel.Communication());
        comm.SetResult(CTeskCommunication::kDisconnectReason, Variant::I4(reason));
        comm.SetResult(CTeskCommunication::kDisconnectText, Variant::Bstr(words));
        comm.Fire(CTeskCommunication::kServerDisconnected, {});
        QCoreApplication::processEvents();
    }
    static std::string LastOf(const Recorder& r, const std::string& a, const std::string& b) {
        for (auto calls = r.Calls(); !calls.empty(); calls.pop_back())
            if (calls.back().rfind(a, 0) == 0 || calls.back().rfind(b, 0) == 0) return calls.back();
        return {};
    }
};

TEST(ReconnectBackoff, DoublesFromOneSecondUpToThirtyAndJitterOnlyShortens) {
    std::vector<int> delays;
    for (int attempt = 1; attempt <= 8; ++attempt) delays.push_back(ReconnectDelayMs(attempt, 0.0));
    EXPECT_EQ(delays, (std::vector<int>{1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000}));
    EXPECT_EQ(ReconnectDelayMs(1000, 0.0), 30000) << "no overflow however long the server stays away";
    EXPECT_EQ(ReconnectDelayMs(1, 0.999999), 750);
    EXPECT_EQ(ReconnectDelayMs(6, 1.5), 22500) << "jitter out of range is clamped";
    EXPECT_GT(ReconnectDelayMs(0, 0.0), 0);
}

TEST(SessionStatusText, AWebSceneDownloadingShowsWhatHasArrivedOfHowMuch) {
    using P = SessionStatus::Phase;
    SessionStatus status;
    status.phase = P::LoadingScene;
    EXPECT_EQ(SessionStatusText(status), QString::fromUtf8("リージョンを読み込み中…"));
    status.receivedBytes = 1536;
    status.totalBytes = 10240;
    EXPECT_EQ(SessionStatusText(status), QString::fromUtf8("リージョンを読み込み中… 2 KB / 10 KB"));
    // Not yet a kilobyte is not nothing; a size the server did not give is left out.
    status.receivedBytes = 1;
    status.totalBytes = -1;
    EXPECT_EQ(SessionStatusText(status), QString::fromUtf8("リージョンを読み込み中… 1 KB"));
    status.receivedBytes = 0;
    status.totalBytes = 0;
    EXPECT_EQ(SessionStatusText(status), QString::fromUtf8("リージョンを読み込み中… 0 KB"));
    if (qEnvironmentVariableIsSet("MONEKO_SCREENSHOT_DIR")) {
        SessionStatusLine line;
        SessionStatus shown;
        shown.phase = P::LoadingScene;
        shown.receivedBytes = 123 * 1024;
        shown.totalBytes = 480 * 1024;
        line.resize(360, 24);
        line.Show(shown);
        line.grab().save(qEnvironmentVariable("MONEKO_SCREENSHOT_DIR") + "/status-downloading.png");
    }
    // Bytes only count while a scene loads.
    status.phase = P::Offline;
    EXPECT_EQ(SessionStatusText(status), QString::fromUtf8("オフライン"));
}

TEST_F(WorldSessionTest, DownloadsOfTheViewOutsideASceneLoadLeaveTheStatusAlone) {
    auto panel = InRegionPanel();
    const QString before = panel->StatusLine()->Text();
    ASSERT_TRUE(before.contains(QString::fromUtf8("入室中")));
    Recorder view(panel->View());
    // A world a link of the scene led to, downloading in the view.
    view.Fire(CTeskControlVrml::kDownloadProgress,
              {Variant::Bstr("http://127.0.0.1/next.wrl"), Variant::I4(2048), Variant::I4(4096)});
    EXPECT_EQ(panel->StatusLine()->Text(), before);
    panel->Session().OnSceneDownload(2048, 4096);
    EXPECT_EQ(panel->StatusLine()->Text(), before);
}

TEST_F(WorldSessionTest, ServerThatCannotBeReachedIsToldAndTheToolbarComesBack) {
    auto panel = MakePanel();
    Recorder comm(panel->Communication()), chat(panel->Chat());
    comm.SetResult(CTeskCommunication::kOpenServer, Variant::Bool(false));
    Enter(*panel);
    EXPECT_EQ(Messages(), std::vector<std::string>{kConnectFailed});
    EXPECT_FALSE(panel->InRegion());
    EXPECT_FALSE(panel->RegionChangeBusy());
    EXPECT_TRUE(panel->Button(201)->isEnabled());
    EXPECT_EQ(panel->Session().CurrentState(), State::Offline);
    EXPECT_EQ(comm.Count("TalkIn"), 0);
    // Nobody would hear what is typed: the input ends locked.
    EXPECT_EQ(LastOf(chat, "ChangeModeGhost", "ChangeModeAvatar"), "ChangeModeGhost()");
    EXPECT_EQ(panel->StatusLine()->Text(), QString::fromUtf8("オフライン"));
}

TEST_F(WorldSessionTest, TheServersReasonFollowsOnASecondLineAndTheVisitEndsVisibly) {
    auto panel = InRegionPanel();
    Recorder chat(panel->Chat());
    chat.Clear();
    LoseServer(*panel, 0, "maintenance");
    EXPECT_EQ(Messages(), std::vector<std::string>{std::string(kDisconnected) +
                                                   "\nサーバが停止しました。（サーバからの説明: maintenance）"});
    EXPECT_TRUE(panel->Roster().IsEmpty());
    EXPECT_EQ(chat.Calls(), (std::vector<std::string>{"Delete()", "ChangeModeGhost()"}));
    EXPECT_EQ(panel->Card()->AvatarName(), "");
    EXPECT_EQ(panel->Card()->RegionName(), "");
}

TEST_F(WorldSessionTest, AConnectionThatJustEndsKeepsTheMessageAsItWas) {
    auto panel = InRegionPanel();
    LoseServer(*panel, -1);
    EXPECT_EQ(Messages(), std::vector<std::string>{kDisconnected});
}

TEST_F(WorldSessionTest, ComesBackWithBackOffIntoTheSameRegionAsTheSameUser) {
    auto panel = InRegionPanel();
    Recorder comm(panel->Communication()), chat(panel->Chat()), view(panel->View());
    WorldSession& session = panel->Session();
    LoseServer(*panel, -1);
    ASSERT_EQ(session.CurrentState(), State::Reconnecting);
    EXPECT_EQ(session.ReconnectAttempt(), 1);
    EXPECT_TRUE(WaitsAbout(session, 1000)) << session.NextAttemptInMs();
    EXPECT_TRUE(panel->StatusLine()->Text().contains(QString::fromUtf8("再接続します（1回目）")))
        << panel->StatusLine()->Text().toStdString();
    EXPECT_TRUE(panel->StatusLine()->CancelButton()->isVisibleTo(panel.get()));

    // Two tries find nobody; each waits twice as long as the one before.
    comm.Clear();
    comm.PushResult(CTeskCommunication::kOpenServer, Variant::Bool(false));
    comm.PushResult(CTeskCommunication::kOpenServer, Variant::Bool(false));
    session.ReconnectNow();
    EXPECT_EQ(session.ReconnectAttempt(), 2);
    EXPECT_TRUE(WaitsAbout(session, 2000)) << session.NextAttemptInMs();
    session.ReconnectNow();
    EXPECT_EQ(session.ReconnectAttempt(), 3);
    EXPECT_TRUE(WaitsAbout(session, 4000)) << session.NextAttemptInMs();
    EXPECT_TRUE(Messages().size() == 1) << "retries are silent";

    // The server is back: the same region, nickname, avatar and presence, no entry timer.
    chat.Clear();
    session.ReconnectNow();
    ASSERT_TRUE(panel->InRegion());
    EXPECT_EQ(session.CurrentState(), State::InRegion);
    EXPECT_FALSE(panel->Timers().IsActive(WorldPanel::kEntryTimer));
    const auto talkIns = comm.CallsOf("TalkIn");
    ASSERT_EQ(talkIns.size(), 1u);
    EXPECT_NE(talkIns[0].find("'bob'"), std::string::npos) << talkIns[0];
    const auto enters = comm.CallsOf("EnterRegion");
    ASSERT_EQ(enters.size(), 1u);
    EXPECT_EQ(enters[0].rfind("EnterRegion('http://127.0.0.1:4321/regions/lobby.wrl','2',", 0), 0u) << enters[0];
    EXPECT_EQ(view.Count("CreateAvatar(7,"), 2) << "the own figure is made again";
    // The chat is open again and shows what it showed before.
    EXPECT_EQ(chat.Calls(), (std::vector<std::string>{"AvatarName='bob'", "UserId='" + panel->UserId() + "'",
                                                      "ChangeModeAvatar()", "RestoreChat()"}));
    EXPECT_EQ(panel->Card()->AvatarName(), "bob");
    for (int id : {201, 217, 218, 220, 225}) EXPECT_TRUE(panel->Button(id)->isEnabled()) << id;
    EXPECT_TRUE(panel->StatusLine()->Text().contains(QString::fromUtf8("入室中")));
    EXPECT_FALSE(panel->StatusLine()->CancelButton()->isVisibleTo(panel.get()));
}

TEST_F(WorldSessionTest, ARefusingServerIsTriedAgainQuietly) {
    auto panel = InRegionPanel();
    Recorder comm(panel->Communication());
    LoseServer(*panel, 5);
    comm.Clear();
    comm.PushResult(CTeskCommunication::kTalkIn, Variant::Bool(false));
    panel->Session().ReconnectNow();
    EXPECT_EQ(panel->Session().CurrentState(), State::Reconnecting);
    EXPECT_EQ(comm.CallsOf("CloseServer").size(), 1u);
    comm.Clear();
    comm.PushResult(CTeskCommunication::kEnterRegion, Variant::Bool(false));
    panel->Session().ReconnectNow();
    EXPECT_EQ(panel->Session().CurrentState(), State::Reconnecting);
    EXPECT_EQ(comm.Count("TalkOut"), 1);
    EXPECT_EQ(Messages().size(), 1u) << "only the disconnection was told";
}

TEST_F(WorldSessionTest, NoComingBackAfterBeingRemovedOrWhenTurnedOff) {
    auto panel = InRegionPanel();
    LoseServer(*panel, 1);
    EXPECT_EQ(Messages().back(), std::string(kDisconnected) + "\n管理者により退出させられました。");
    EXPECT_EQ(panel->Session().CurrentState(), State::Offline);
    EXPECT_EQ(panel->Session().NextAttemptInMs(), 0);

    SetNumber("Login", "AutoReconnect", 0);
    auto other = InRegionPanel();
    LoseServer(*other, -1);
    EXPECT_EQ(other->Session().CurrentState(), State::Offline);
}

TEST_F(WorldSessionTest, CancellingStopsEveryFurtherTry) {
    auto panel = InRegionPanel();
    Recorder comm(panel->Communication());
    LoseServer(*panel, -1);
    ASSERT_TRUE(panel->StatusLine()->CancelButton()->isVisibleTo(panel.get()));
    panel->StatusLine()->CancelButton()->click();
    EXPECT_EQ(panel->Session().CurrentState(), State::Offline);
    comm.Clear();
    QTest::qWait(1300);
    EXPECT_EQ(comm.Count("OpenServer"), 0);
    EXPECT_EQ(panel->StatusLine()->Text(), QString::fromUtf8("オフライン"));

    // Esc does the same while a reconnection waits.
    auto other = InRegionPanel();
    LoseServer(*other, -1);
    other->activateWindow();
    other->setFocus();
    QTest::keyClick(other.get(), Qt::Key_Escape);
    EXPECT_EQ(other->Session().CurrentState(), State::Offline);
}

TEST_F(WorldSessionTest, ARegionChangeTakesOverFromAWaitingReconnection) {
    auto panel = InRegionPanel();
    LoseServer(*panel, -1);
    ASSERT_TRUE(panel->Session().Reconnecting());
    AnswerRegionDialog(1, "bob");
    panel->RegionChange();
    EXPECT_FALSE(panel->Session().Reconnecting());
    EXPECT_EQ(panel->Session().NextAttemptInMs(), 0);
    EXPECT_TRUE(panel->Timers().IsActive(WorldPanel::kEntryTimer));
    EXPECT_TRUE(panel->StatusLine()->Text().contains(QString::fromUtf8("あと10秒")))
        << panel->StatusLine()->Text().toStdString();
}

TEST_F(WorldSessionTest, AFirstStartGoesOnToTheRegionDialogOnceTheAvatarIsChosen) {
    DeleteValue("Talkin\\Avatar", "DirectoryName");
    auto panel = MakePanel();
    // The options sheet stands in for the user choosing an avatar on its avatar page.
    int sheets = 0;
    WorldPanel::Hooks hooks;
    hooks.showOptionSheet = [&](int page) {
        ++sheets;
        EXPECT_EQ(page, 3);
        SetText("Talkin\\Avatar", "DirectoryName", "cat01");
    };
    panel->SetHooks(hooks);
    AnswerRegionDialog(0, "bob");
    QCoreApplication::processEvents();  // the region change posted at start
    QCoreApplication::processEvents();  // and the one that follows the choice
    EXPECT_EQ(sheets, 1);
    EXPECT_EQ(seam_.CountOf(RecordingModalSeam::Kind::RunModal), 1) << "the region dialog came by itself";
    EXPECT_TRUE(panel->Timers().IsActive(WorldPanel::kEntryTimer));

    // Without a choice, nothing follows.
    DeleteValue("Talkin\\Avatar", "DirectoryName");
    hooks.showOptionSheet = [&](int) { ++sheets; };
    auto other = MakePanel();
    other->SetHooks(hooks);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(sheets, 2);
    EXPECT_EQ(seam_.CountOf(RecordingModalSeam::Kind::RunModal), 1);
}

}  // namespace
}  // namespace plexa::testing
