#include "plexa/session/world_panel.h"

#include "platform/ui/bitmap_button.h"
#include "platform/ui/window_timer.h"
#include "plexa/data/own_avatar_card.h"
#include "plexa/session/session_test_support.h"

#include <QAction>
#include <QCoreApplication>
#include <QVBoxLayout>
#include <QFileInfo>

namespace plexa::testing {
namespace {

using com::Variant;
using platform::ui::RecordingModalSeam;

std::vector<Variant> Args(std::initializer_list<Variant> head, std::vector<Variant> tail = {}) {
    std::vector<Variant> all(head);
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
}

std::vector<Variant> EnteredArgs(int16_t id, const std::string& user, const std::string& name,
                                 const std::string& number) {
    return Args({Variant::I2(id), Variant::Bstr(user), Variant::Bstr(name), Variant::Bstr(number), Variant::I2(1)},
                Pose(1500, 0, -2000, 0, 0, 1));
}

class WorldPanelTest : public PanelTest {};

// ---- start ------------------------------------------------------------------------------------

TEST_F(WorldPanelTest, StartConfiguresTheChildControlsAndToolbar) {
    auto panel = MakePanel();
    Recorder view(panel->View()), chat(panel->Chat());
    EXPECT_EQ(view.Calls(), (std::vector<std::string>{
                                "ChangeWalkthroughMode(0)", "ChangeWalkthroughSpeed(2)", "Dithering=true",
                                "FullColor=true", "Texture=true", "HighQualityTexture=true", "HeadLightOn=true",
                                "Collision=true", "GraphicMode=0", "GraphicModeMoving=3", "SetSound(true)",
                                "AvatarModelFile=''"}));
    EXPECT_EQ(chat.Calls(), (std::vector<std::string>{
                                "SaveChatPrefix='chat'", "SaveEspPrefix=''", "SaveChatDir='" + installDir_ + "/ChatLog/Chat'",
                                "SaveEspDir='" + installDir_ + "/ChatLog/Esp'", "ChatAutoSave=true", "EspAutoSave=true",
                                "ConfirmSave=true", "SetChatFont('',10)", "Create(false)", "ChangeModeGhost()"}));
    EXPECT_FALSE(panel->Communication().Window()->isVisibleTo(panel.get()));
    EXPECT_TRUE(panel->View().Window()->isVisibleTo(panel.get()));
    ASSERT_EQ(panel->Regions().size(), 2u);
    EXPECT_TRUE(Messages().empty());

    for (int id : {201, 205, 206, 207, 208, 209, 215, 223, 224})
        EXPECT_TRUE(panel->Button(id)->isEnabled() && panel->Button(id)->isVisibleTo(panel.get())) << id;
    for (int id : {217, 218, 220, 225})
        EXPECT_TRUE(!panel->Button(id)->isEnabled() && panel->Button(id)->isVisibleTo(panel.get())) << id;
    for (int id : {202, 203, 204, 210, 211, 212, 213, 214, 216, 219, 221, 222})
        EXPECT_FALSE(panel->Button(id)->isVisibleTo(panel.get())) << id;
    using I = WorldPanel::ButtonImages;
    EXPECT_EQ(panel->ImagesOf(201), (I{207, 282, 0}));
    EXPECT_EQ(panel->ImagesOf(206), (I{225, 226, 0}));
    EXPECT_EQ(panel->ImagesOf(207), (I{293, 293, 0}));
    EXPECT_EQ(panel->ImagesOf(217), (I{315, 313, 363}));
    EXPECT_EQ(panel->ImagesOf(225), (I{334, 333, 365}));
    // Disabled buttons with a disabled picture show it.
    EXPECT_EQ(panel->Button(217)->CurrentFace(), platform::ui::BitmapButton::Face::Disabled);
    EXPECT_NE(panel->Button(217)->ImageFor(platform::ui::BitmapButton::Face::Disabled),
              panel->Button(217)->ImageFor(platform::ui::BitmapButton::Face::Up));
    EXPECT_EQ(panel->Button(201)->toolTip(), QString::fromUtf8("リージョン変更"));
    for (int id : {205, 206, 207, 208, 209, 215, 217, 218, 220, 223, 224, 225})
        EXPECT_FALSE(panel->Button(id)->toolTip().isEmpty()) << id;
}

TEST_F(WorldPanelTest, StartPostsOneRegionChange) {
    auto panel = MakePanel();
    EXPECT_EQ(seam_.CountOf(RecordingModalSeam::Kind::RunModal), 0) << "posted, not run inside the start";
    QCoreApplication::processEvents();
    EXPECT_EQ(seam_.CountOf(RecordingModalSeam::Kind::RunModal), 1);
    // The dialog was cancelled: nothing changed.
    EXPECT_FALSE(panel->RegionChangeBusy());
    EXPECT_FALSE(panel->Timers().IsActive(WorldPanel::kEntryTimer));
    EXPECT_TRUE(panel->Button(201)->isEnabled());
    EXPECT_FALSE(panel->Button(217)->isEnabled());
}

TEST_F(WorldPanelTest, WorldThatFailsToLoadStopsTheStart) {
    qputenv("SESSION_DOUBLES_view_27", "-1");
    auto panel = MakePanel("http://127.0.0.1:4321/world.wrl");
    qunsetenv("SESSION_DOUBLES_view_27");
    // The message names the world that failed.
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"VRMLファイルの読み込みに失敗しました。\nhttp://127.0.0.1:4321/world.wrl"});
    QCoreApplication::processEvents();
    EXPECT_EQ(seam_.CountOf(RecordingModalSeam::Kind::RunModal), 0) << "no region change by itself";
    EXPECT_EQ(Recorder(panel->Chat()).Count("ChangeModeGhost"), 0);
    EXPECT_TRUE(panel->Button(201)->isEnabled());
    EXPECT_EQ(Recorder(panel->View()).CallsOf("LoadVrmlFile"),
              std::vector<std::string>{"LoadVrmlFile('http://127.0.0.1:4321/world.wrl')"});
}

TEST_F(WorldPanelTest, MissingRegionListIsReportedAndTheStartGoesOn) {
    QFile::remove(install_.filePath("Region_List.Dat"));
    auto panel = MakePanel();
    EXPECT_EQ(Messages(), std::vector<std::string>{"リージョン一覧情報の読み込みに失敗しました。"});
    EXPECT_TRUE(panel->Regions().empty());
    EXPECT_EQ(Recorder(panel->Chat()).Count("ChangeModeGhost"), 1);
}

// ---- layout -----------------------------------------------------------------------------------

TEST_F(WorldPanelTest, FixedSizeLayoutCentresTheViewEvenWhenNarrow) {
    auto panel = MakePanel();
    panel->resize(600, 500);
    EXPECT_EQ(panel->View().Window()->geometry(), QRect(-36, 46, 672, 249));
    EXPECT_EQ(panel->Chat().Window()->geometry(), QRect(204, 295, 392, 199));
    EXPECT_EQ(panel->Card()->geometry(), QRect(6, 299, 180, 80));
    EXPECT_EQ(panel->Button(220)->geometry(), QRect(8, 379, 32, 32));
    EXPECT_EQ(panel->Button(217)->geometry(), QRect(40, 379, 32, 32));
    EXPECT_EQ(panel->Button(218)->geometry(), QRect(72, 379, 32, 32));
    EXPECT_EQ(panel->Button(225)->geometry(), QRect(112, 379, 32, 32));
    EXPECT_EQ(panel->Button(201)->geometry(), QRect(6, 6, 32, 32));
    EXPECT_EQ(panel->Button(215)->geometry(), QRect(208, 6, 32, 32));
    EXPECT_EQ(panel->Button(216)->geometry(), QRect(208, 6, 32, 32));
    EXPECT_EQ(panel->Button(223)->geometry(), QRect(248, 6, 16, 16));
    EXPECT_EQ(panel->Button(224)->geometry(), QRect(248, 22, 16, 16));
    EXPECT_EQ(panel->LogoRect(), QRect(QPoint(8, 434), QPoint(129, 491)));
}

TEST_F(WorldPanelTest, StretchedLayoutSplitsTheHeight) {
    SetNumber("Option\\Browser", "FixedSize", 0);
    auto panel = MakePanel();
    panel->resize(800, 601);
    // (601 - 46) / 2 = 277
    EXPECT_EQ(panel->View().Window()->geometry(), QRect(8, 46, 784, 277));
    EXPECT_EQ(panel->Chat().Window()->geometry(), QRect(204, 323, 592, 272));
    EXPECT_EQ(panel->Card()->geometry(), QRect(6, 327, 180, 80));
    EXPECT_EQ(panel->Button(220)->geometry().topLeft(), QPoint(8, 407));
}

TEST_F(WorldPanelTest, SizeBeforeTheControlsExistOnlySetsTheLogo) {
    WorldPanel panel(nullptr, Doubles());
    panel.resize(300, 200);
    panel.show();
    EXPECT_EQ(panel.LogoRect(), QRect(QPoint(8, 134), QPoint(129, 191)));
    EXPECT_EQ(panel.Button(201), nullptr);
    EXPECT_EQ(panel.Card(), nullptr);
}

// ---- navigation -------------------------------------------------------------------------------

TEST_F(WorldPanelTest, FullScreenWindowShowsTheViewAloneAndKeepsTheKeys) {
    // As in the container: the panel fills part of a window that goes full screen.
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 30, 0, 0);  // a menu bar's place
    auto* panel = new WorldPanel(&window, Doubles());
    layout->addWidget(panel);
    window.resize(800, 630);
    window.show();
    panel->Initialize();
    QCoreApplication::processEvents();
    QWidget* view = panel->View().Window();
    auto shown = [&] {
        std::map<QWidget*, QRect> places;
        for (QObject* child : panel->children())
            if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow() && w->isVisibleTo(panel)) places[w] = w->geometry();
        return places;
    };
    const auto before = shown();
    auto keyFor = [&](int id) {
        for (QAction* action : panel->actions())
            if (action->text() == panel->Button(id)->toolTip()) return action;
        return static_cast<QAction*>(nullptr);
    };
    ASSERT_NE(keyFor(207), nullptr);

    window.showFullScreen();
    QCoreApplication::processEvents();
    EXPECT_TRUE(panel->ViewAlone());
    EXPECT_EQ(view->geometry(), panel->rect());
    EXPECT_EQ(shown(), (std::map<QWidget*, QRect>{{view, panel->rect()}}));
    EXPECT_FALSE(panel->LogoShown());
    EXPECT_TRUE(keyFor(207)->isVisible()) << "walking keys work on the hidden buttons";
    // The other navigation set, chosen while the view is alone, stays out of its way.
    keyFor(205)->trigger();
    ASSERT_EQ(panel->NavigationSet(), 2);
    EXPECT_EQ(shown().size(), 1u);
    EXPECT_FALSE(keyFor(207)->isVisible()) << "the first set's keys went with it";

    window.showNormal();
    QCoreApplication::processEvents();
    EXPECT_FALSE(panel->ViewAlone());
    EXPECT_TRUE(panel->Button(210)->isVisibleTo(panel)) << "back with the set chosen meanwhile";
    EXPECT_FALSE(panel->Button(207)->isVisibleTo(panel));
    panel->OnCommand(205);
    EXPECT_EQ(shown(), before);
    EXPECT_TRUE(keyFor(207)->isVisible());
}

TEST_F(WorldPanelTest, SpeedCyclesThroughItsImagesAndBack) {
    auto panel = MakePanel();
    Recorder view(panel->View());
    view.Clear();
    const std::pair<int, int> expected[] = {{290, 289}, {292, 291}, {286, 285}, {287, 288}, {225, 226}};
    for (auto [up, down] : expected) {
        panel->Button(206)->click();
        EXPECT_EQ(panel->ImagesOf(206), (WorldPanel::ButtonImages{up, down, 0}));
    }
    EXPECT_EQ(panel->WalkthroughSpeed(), 2);
    EXPECT_EQ(view.CallsOf("ChangeWalkthroughSpeed"),
              (std::vector<std::string>{"ChangeWalkthroughSpeed(3)", "ChangeWalkthroughSpeed(4)",
                                        "ChangeWalkthroughSpeed(0)", "ChangeWalkthroughSpeed(1)",
                                        "ChangeWalkthroughSpeed(2)"}));
    view.PushResult(CTeskControlVrml::kChangeWalkthroughSpeed, Variant::Bool(false));
    panel->Button(206)->click();
    EXPECT_EQ(panel->WalkthroughSpeed(), 2);
    EXPECT_EQ(panel->ImagesOf(206), (WorldPanel::ButtonImages{225, 226, 0}));
    EXPECT_EQ(Messages(), std::vector<std::string>{"ウォークスルースピードの変更に失敗しました。"});
}

TEST_F(WorldPanelTest, NavigationSetSwapsButtonsAndTheSpeedPicture) {
    auto panel = MakePanel();
    panel->Button(206)->click();
    panel->Button(206)->click();  // speed 4
    const int callsBefore = static_cast<int>(Recorder(panel->View()).Calls().size());
    panel->Button(205)->click();
    EXPECT_EQ(panel->NavigationSet(), 2);
    EXPECT_EQ(panel->ImagesOf(205), (WorldPanel::ButtonImages{306, 305, 0}));
    EXPECT_EQ(panel->ImagesOf(206), (WorldPanel::ButtonImages{323, 321, 0}));
    for (int id : {207, 208, 209, 215}) EXPECT_FALSE(panel->Button(id)->isVisibleTo(panel.get())) << id;
    for (int id : {210, 211, 212, 216}) EXPECT_TRUE(panel->Button(id)->isVisibleTo(panel.get())) << id;
    panel->Button(205)->click();
    EXPECT_EQ(panel->NavigationSet(), 1);
    EXPECT_EQ(panel->ImagesOf(205), (WorldPanel::ButtonImages{304, 303, 0}));
    EXPECT_EQ(panel->ImagesOf(206), (WorldPanel::ButtonImages{292, 291, 0}));
    EXPECT_TRUE(panel->Button(207)->isVisibleTo(panel.get()));
    EXPECT_FALSE(panel->Button(216)->isVisibleTo(panel.get()));
    EXPECT_EQ(static_cast<int>(Recorder(panel->View()).Calls().size()), callsBefore) << "no call to the view";
}

TEST_F(WorldPanelTest, ModeButtonsSelectOneModeAndRefusalChangesNothing) {
    auto panel = MakePanel();
    panel->Button(208)->click();
    EXPECT_EQ(panel->WalkthroughMode(), 1);
    EXPECT_EQ(panel->ImagesOf(208), (WorldPanel::ButtonImages{283, 283, 0}));
    EXPECT_EQ(panel->ImagesOf(207), (WorldPanel::ButtonImages{294, 293, 0}));
    EXPECT_EQ(panel->ImagesOf(209), (WorldPanel::ButtonImages{217, 281, 0}));
    panel->OnCommand(212);
    EXPECT_EQ(panel->WalkthroughMode(), 4);
    EXPECT_EQ(panel->ImagesOf(212), (WorldPanel::ButtonImages{249, 249, 0}));
    EXPECT_EQ(panel->ImagesOf(208), (WorldPanel::ButtonImages{284, 283, 0}));

    Recorder(panel->View()).PushResult(CTeskControlVrml::kChangeWalkthroughMode, Variant::Bool(false));
    panel->OnCommand(207);
    EXPECT_EQ(panel->WalkthroughMode(), 4);
    EXPECT_EQ(panel->ImagesOf(207), (WorldPanel::ButtonImages{294, 293, 0}));
    EXPECT_EQ(Messages(), std::vector<std::string>{"ウォークスルーモードの変更に失敗しました。"});
}

TEST_F(WorldPanelTest, GotoIsOneShotAndKeepsTheSelectedMode) {
    auto panel = MakePanel();
    panel->Button(207)->click();
    Recorder view(panel->View());
    view.Clear();
    panel->Button(209)->click();
    EXPECT_EQ(view.Calls(), (std::vector<std::string>{"ChangeWalkthroughMode(0)", "ChangeWalkthroughMode(5)"}));
    EXPECT_EQ(panel->WalkthroughMode(), 0);
    EXPECT_EQ(panel->ImagesOf(207), (WorldPanel::ButtonImages{293, 293, 0}));

    view.Clear();
    view.PushResult(CTeskControlVrml::kChangeWalkthroughMode, Variant::Bool(false));
    panel->Button(209)->click();
    EXPECT_EQ(view.Calls(), std::vector<std::string>{"ChangeWalkthroughMode(0)"});
    EXPECT_EQ(Messages(), std::vector<std::string>{"ウォークスルーモードの変更に失敗しました。"});
}

TEST_F(WorldPanelTest, RevertReportsFailureStraightUpDoesNot) {
    auto panel = MakePanel();
    Recorder view(panel->View());
    view.SetResult(CTeskControlVrml::kRevert, Variant::Bool(false));
    view.SetResult(CTeskControlVrml::kStraightUp, Variant::Bool(false));
    panel->Button(215)->click();
    panel->OnCommand(216);
    EXPECT_EQ(Messages(), std::vector<std::string>{"リバートに失敗しました。"});
    EXPECT_EQ(view.Count("StraightUp()"), 1);
}

TEST_F(WorldPanelTest, HelpOpensTheHelpPathAndOptionsOpenTheSheet) {
    auto panel = MakePanel();
    std::vector<int> pages;
    WorldPanel::Hooks hooks;
    hooks.showOptionSheet = [&pages](int page) { pages.push_back(page); };
    panel->SetHooks(hooks);
    panel->Button(224)->click();
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], QUrl::fromLocalFile(install_.filePath("help/index.html")));
    panel->Button(223)->click();
    panel->SendOpenAvatarSettings();
    EXPECT_EQ(pages, (std::vector<int>{0, 3}));
}

// ---- region change and entry -------------------------------------------------------------------

TEST_F(WorldPanelTest, RegionChangeLoadsTheSceneAndEntersOnTheTimerTick) {
    auto panel = MakePanel();
    Recorder view(panel->View()), chat(panel->Chat()), comm(panel->Communication());
    view.Clear();
    chat.Clear();
    AnswerRegionDialog(0, "bob");
    panel->RegionChange();
    EXPECT_TRUE(panel->RegionChangeBusy());
    EXPECT_EQ(panel->Timers().Interval(WorldPanel::kEntryTimer), 10000);
    for (int id : {201, 217, 218, 220, 225}) EXPECT_FALSE(panel->Button(id)->isEnabled()) << id;
    EXPECT_EQ(chat.Calls(), std::vector<std::string>{"ChangeModeGhost()"});
    EXPECT_EQ(view.Calls(), std::vector<std::string>{"LoadVrmlFile('file://" + installDir_ + "/regions/lobby.wrl')"});
    EXPECT_TRUE(comm.Calls().empty()) << "the server waits for the timer";
    EXPECT_EQ(panel->CurrentRegionName(), "Lobby");

    view.Clear();
    chat.Clear();
    panel->OnTimer(WorldPanel::kEntryTimer);
    EXPECT_FALSE(panel->Timers().IsActive(WorldPanel::kEntryTimer));
    EXPECT_EQ(comm.Calls(), (std::vector<std::string>{
                                "OpenServer(4321,'127.0.0.1')", "TalkIn(131073,'4242','','bob',0,0)",
                                "EnterRegion('http://127.0.0.1:4321/regions/lobby.wrl','2',0,0,0,0,0,-1,1)"}));
    EXPECT_EQ(view.Calls(), (std::vector<std::string>{
                                "AvatarModelFile='" + installDir_ + "/AvatarData/cat01/cat.wrl'",
                                "CreateAvatar(7,'4242','bob','2',1,10000,0,10000,0,0,-1)", "AttachViewpoint()"}));
    EXPECT_EQ(chat.Calls(), (std::vector<std::string>{"AvatarName='bob'", "UserId='4242'", "ChangeModeAvatar()"}));
    EXPECT_TRUE(panel->InRegion());
    EXPECT_FALSE(panel->RegionChangeBusy());
    ASSERT_EQ(panel->Roster().Size(), 1u);
    const RosterEntry& own = *panel->Roster().begin();
    EXPECT_EQ(own.clientId, 7);
    EXPECT_TRUE(own.own);
    EXPECT_EQ(own.address, "Localhost");
    EXPECT_EQ(own.avatarNumber, "2");
    for (int id : {201, 217, 218, 220, 225}) EXPECT_TRUE(panel->Button(id)->isEnabled()) << id;
    EXPECT_EQ(panel->Card()->AvatarName(), "bob");
    EXPECT_EQ(panel->Card()->UserId(), "4242");
    EXPECT_EQ(panel->Card()->RegionName(), "Lobby");
    EXPECT_EQ(panel->Card()->PicturePath(), installDir_ + "/AvatarData/cat01/cat.bmp");
    ASSERT_NE(panel->Definitions(), nullptr);
    EXPECT_EQ(panel->Definitions()->size(), 2u);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(WorldPanelTest, HostWithoutPortUsesTheDefaultPort) {
    SetText("Login", "Host", "chat.local");
    auto panel = MakePanel();
    Enter(*panel, 1);
    EXPECT_EQ(Recorder(panel->Communication()).CallsOf("OpenServer"),
              std::vector<std::string>{"OpenServer(11001,'chat.local')"});
    EXPECT_EQ(Recorder(panel->View()).CallsOf("LoadVrmlFile"),
              std::vector<std::string>{"LoadVrmlFile('file://" + installDir_ + "/regions/hall.wrl')"});
}

TEST_F(WorldPanelTest, IncompleteAvatarOpensTheAvatarPageInsteadOfTheDialog) {
    SetText("Talkin\\Avatar", "ImageFileName", "");
    auto panel = MakePanel();
    std::vector<int> pages;
    WorldPanel::Hooks hooks;
    hooks.showOptionSheet = [&pages](int page) { pages.push_back(page); };
    panel->SetHooks(hooks);
    panel->RegionChange();
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"ｱﾊﾞﾀｰの設定がされていません。\n環境設定でｱﾊﾞﾀｰ設定を行ってください。"});
    EXPECT_EQ(pages, std::vector<int>{3});
    EXPECT_EQ(seam_.CountOf(RecordingModalSeam::Kind::RunModal), 0);

    SetText("Talkin\\Avatar", "ImageFileName", "x.bmp");
    DeleteValue("Login", "Host");
    seam_.ClearCalls();
    panel->RegionChange();
    EXPECT_EQ(Messages(), std::vector<std::string>{"正しくｲﾝｽﾄｰﾙされていません。"});
    EXPECT_EQ(seam_.CountOf(RecordingModalSeam::Kind::RunModal), 0);
}

TEST_F(WorldPanelTest, CancelledDialogLeavesEverythingAsItWas) {
    auto panel = MakePanel();
    Enter(*panel);
    Recorder comm(panel->Communication()), chat(panel->Chat());
    comm.Clear();
    chat.Clear();
    panel->RegionChange();  // the seam cancels by default
    EXPECT_TRUE(panel->InRegion());
    EXPECT_FALSE(panel->RegionChangeBusy());
    EXPECT_TRUE(panel->Button(201)->isEnabled());
    EXPECT_TRUE(panel->Button(217)->isEnabled());
    EXPECT_TRUE(comm.Calls().empty());
    EXPECT_TRUE(chat.Calls().empty());
    EXPECT_EQ(panel->Card()->RegionName(), "Lobby");
}

TEST_F(WorldPanelTest, FailedTalkInReportsOnceAndReturnsToIdle) {
    auto panel = MakePanel();
    Recorder comm(panel->Communication());
    comm.PushResult(CTeskCommunication::kTalkIn, Variant::Bool(false));
    Enter(*panel);
    EXPECT_EQ(Messages(), std::vector<std::string>{
                              "サーバへの接続に失敗しました。サーバ名、ユーザ名又はパスワードが違います。"});
    EXPECT_EQ(comm.Calls().back(), "CloseServer()");
    EXPECT_FALSE(panel->InRegion());
    EXPECT_FALSE(panel->RegionChangeBusy());
    EXPECT_TRUE(panel->Roster().IsEmpty());
    for (int id : {201, 217, 218, 220, 225}) EXPECT_TRUE(panel->Button(id)->isEnabled()) << id;
    // The tick unlocks the chat, and as the entry failed it is locked again: nobody would hear it.
    const auto chat = Recorder(panel->Chat()).Calls();
    ASSERT_GE(chat.size(), 2u);
    EXPECT_EQ(chat[chat.size() - 2], "ChangeModeAvatar()");
    EXPECT_EQ(chat.back(), "ChangeModeGhost()");
}

TEST_F(WorldPanelTest, RefusedConnectionIsToldAndEndsTheEntry) {
    auto panel = MakePanel();
    Recorder comm(panel->Communication());
    comm.PushResult(CTeskCommunication::kOpenServer, Variant::Bool(false));
    Enter(*panel);
    // A server that cannot be reached is a failure the user must see, as a refused log-in is.
    EXPECT_EQ(Messages(), std::vector<std::string>{
                              "サーバへの接続に失敗しました。サーバ名、ユーザ名又はパスワードが違います。"});
    EXPECT_EQ(comm.Calls(), std::vector<std::string>{"OpenServer(4321,'127.0.0.1')"});
    EXPECT_FALSE(panel->InRegion());
    EXPECT_TRUE(panel->Button(201)->isEnabled());
}

TEST_F(WorldPanelTest, RefusedRegionEntryTalksOut) {
    auto panel = MakePanel();
    Recorder comm(panel->Communication());
    comm.PushResult(CTeskCommunication::kEnterRegion, Variant::Bool(false));
    Enter(*panel);
    EXPECT_EQ(Messages(), std::vector<std::string>{"リージョンへ入ることができませんでした。"});
    const auto calls = comm.Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "TalkOut()");
    EXPECT_EQ(calls.back(), "CloseServer()");
    EXPECT_TRUE(panel->Roster().IsEmpty());
    EXPECT_FALSE(panel->InRegion());
}

TEST_F(WorldPanelTest, OwnAvatarThatCannotBeCreatedEndsTheSession) {
    auto panel = MakePanel();
    Recorder comm(panel->Communication()), view(panel->View());
    view.PushResult(CTeskControlVrml::kCreateAvatar, Variant::Bool(false));
    Enter(*panel);
    EXPECT_EQ(Messages(), std::vector<std::string>{"アバタの生成に失敗しました。"});
    const auto calls = comm.Calls();
    EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
              (std::vector<std::string>{"LeaveRegion()", "TalkOut()", "CloseServer()"}));
    EXPECT_TRUE(panel->Roster().IsEmpty());
    EXPECT_FALSE(panel->InRegion());
    EXPECT_EQ(view.Calls().back(), "LoadVrmlFile('http://127.0.0.1:4321/regions/lobby.wrl')");
}

TEST_F(WorldPanelTest, SceneThatDoesNotLoadReturnsThePanelToIdle) {
    auto panel = MakePanel();
    Enter(*panel);
    Recorder view(panel->View()), chat(panel->Chat());
    // Leave succeeds, the new scene fails, the old region's address is loaded again.
    view.Clear();
    view.PushResult(CTeskControlVrml::kLoadVrmlFile, Variant::I2(-1));
    AnswerRegionDialog(1, "bob");
    panel->RegionChange();
    EXPECT_EQ(Messages(), std::vector<std::string>{"VRMLファイルの読み込みに失敗しました。\nfile://" + installDir_ +
                                                   "/regions/hall.wrl"});
    EXPECT_EQ(view.CallsOf("LoadVrmlFile"),
              (std::vector<std::string>{"LoadVrmlFile('file://" + installDir_ + "/regions/hall.wrl')",
                                        "LoadVrmlFile('http://127.0.0.1:4321/regions/lobby.wrl')"}));
    EXPECT_FALSE(panel->Timers().IsActive(WorldPanel::kEntryTimer));
    // Never stuck: a new region change can start at once.
    EXPECT_FALSE(panel->RegionChangeBusy());
    for (int id : {201, 217, 218, 220, 225}) EXPECT_TRUE(panel->Button(id)->isEnabled()) << id;
    // Out of the region the chat is unlocked as always and then locked again: nobody would hear it.
    const auto calls = chat.Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "ChangeModeAvatar()");
    EXPECT_EQ(calls.back(), "ChangeModeGhost()");
    Enter(*panel, 1);
    EXPECT_TRUE(panel->InRegion());
}

TEST_F(WorldPanelTest, UnreadableHostAfterTheDialogReturnsToIdle) {
    auto panel = MakePanel();
    seam_.AnswerRunModal([this](QDialog* d) {
        auto* dialog = static_cast<RegionSelectDialog*>(d);
        dialog->RegionListView()->setCurrentItem(dialog->RegionListView()->topLevelItem(0));
        dialog->AvatarNameEdit()->setText("bob");
        DeleteValue("Login", "Host");  // gone while the dialog was open
        dialog->OkButton()->click();
    });
    panel->RegionChange();
    EXPECT_FALSE(panel->RegionChangeBusy());
    EXPECT_TRUE(panel->Button(201)->isEnabled());
    EXPECT_FALSE(panel->Timers().IsActive(WorldPanel::kEntryTimer));
}

TEST_F(WorldPanelTest, SecondRegionChangeLeavesTheFirstRegion) {
    auto panel = MakePanel();
    Enter(*panel);
    Recorder comm(panel->Communication()), view(panel->View()), chat(panel->Chat());
    comm.Fire(CTeskCommunication::kAvatarEntered, EnteredArgs(12, "C0A80001:1", "amy", "1"));
    comm.Clear();
    view.Clear();
    chat.Clear();
    AnswerRegionDialog(1, "bob");
    panel->RegionChange();
    EXPECT_EQ(view.Calls(), (std::vector<std::string>{"DeleteAvatar(7)", "DeleteAvatar(12)",
                                                      "LoadVrmlFile('file://" + installDir_ + "/regions/hall.wrl')"}));
    EXPECT_EQ(comm.Calls(), (std::vector<std::string>{"LeaveRegion()", "TalkOut()", "CloseServer()"}));
    EXPECT_EQ(chat.Calls(), (std::vector<std::string>{"ChangeModeGhost()", "Delete()"}));
    EXPECT_FALSE(panel->InRegion());
    EXPECT_TRUE(panel->Roster().IsEmpty());
    EXPECT_EQ(panel->Card()->RegionName(), "");
    panel->OnTimer(WorldPanel::kEntryTimer);
    EXPECT_TRUE(panel->InRegion());
    EXPECT_EQ(panel->Card()->RegionName(), "Hall");
}

TEST_F(WorldPanelTest, RegionRefusingTheLeaveMovesWithinTheOpenSession) {
    auto panel = MakePanel();
    Enter(*panel);
    Recorder comm(panel->Communication()), view(panel->View()), chat(panel->Chat());
    comm.Clear();
    view.Clear();
    chat.Clear();
    comm.PushResult(CTeskCommunication::kLeaveRegion, Variant::Bool(false));
    comm.SetResult(CTeskCommunication::kClientId, Variant::I2(9));
    AnswerRegionDialog(1, "bob");
    panel->RegionChange();
    EXPECT_EQ(Messages(), std::vector<std::string>{"リージョンから出ることができません。"});
    EXPECT_EQ(comm.Calls(), (std::vector<std::string>{"LeaveRegion()", "LeaveRegion()",
                                                      "EnterRegion('/regions/hall.wrl','2',0,0,0,0,0,-1,1)"}));
    EXPECT_EQ(view.Calls(), (std::vector<std::string>{
                                "DeleteAvatar(7)", "DeleteAvatar(7)",
                                "LoadVrmlFile('file://" + installDir_ + "/regions/hall.wrl')",
                                "AvatarModelFile='" + installDir_ + "/AvatarData/cat01/cat.wrl'",
                                "CreateAvatar(9,'4242','bob','2',1,10000,0,10000,0,0,-1)", "AttachViewpoint()"}));
    EXPECT_TRUE(panel->InRegion());
    ASSERT_EQ(panel->Roster().Size(), 1u);
    EXPECT_EQ(panel->Roster().OwnEntry()->clientId, 9);
    EXPECT_TRUE(panel->Timers().IsActive(WorldPanel::kEntryTimer));
    panel->OnTimer(WorldPanel::kEntryTimer);
    EXPECT_EQ(panel->Card()->RegionName(), "Hall");
    EXPECT_EQ(comm.Count("OpenServer"), 0) << "the open session is kept";
}

TEST_F(WorldPanelTest, ReEntryThatEndsEarlyDoesNotLeaveThePanelBusy) {
    auto panel = MakePanel();
    Enter(*panel);
    Recorder comm(panel->Communication()), view(panel->View());
    comm.PushResult(CTeskCommunication::kLeaveRegion, Variant::Bool(false));
    view.PushResult(CTeskControlVrml::kDeleteAvatar, Variant::Bool(true));   // the leave sequence's
    view.PushResult(CTeskControlVrml::kDeleteAvatar, Variant::Bool(false));  // the re-entry's
    AnswerRegionDialog(1, "bob");
    panel->RegionChange();
    EXPECT_EQ(Messages(), (std::vector<std::string>{"リージョンから出ることができません。", "アバタの削除に失敗しました。"}));
    EXPECT_FALSE(panel->RegionChangeBusy());
    EXPECT_TRUE(panel->Button(201)->isEnabled());
    EXPECT_TRUE(panel->InRegion()) << "still in the old region";
}

// ---- the session ending -----------------------------------------------------------------------

TEST_F(WorldPanelTest, ServerDisconnectEndsTheSessionAndAllowsANewOne) {
    auto panel = MakePanel();
    Enter(*panel);
    Recorder comm(panel->Communication()), view(panel->View()), chat(panel->Chat());
    comm.Fire(CTeskCommunication::kAvatarPresent, EnteredArgs(12, "C0A80001:1", "amy", "1"));
    QWidget palette;
    panel->SetSubWindows(&palette, nullptr, nullptr);
    panel->Button(220)->click();
    EXPECT_TRUE(palette.isVisible());
    comm.Clear();
    view.Clear();
    chat.Clear();
    comm.Fire(CTeskCommunication::kServerDisconnected, {});
    EXPECT_EQ(Messages(), std::vector<std::string>{"サーバから切断されました。"});
    EXPECT_EQ(view.Calls(), (std::vector<std::string>{"DeleteAvatar(7)", "DeleteAvatar(12)"}));
    // The chat ends, and its input stays locked until the next region.
    EXPECT_EQ(chat.Calls(), (std::vector<std::string>{"Delete()", "ChangeModeGhost()"}));
    EXPECT_EQ(comm.Calls(), std::vector<std::string>{"CloseServer()"});
    EXPECT_FALSE(panel->InRegion());
    EXPECT_TRUE(panel->Roster().IsEmpty());
    EXPECT_FALSE(palette.isVisible());
    EXPECT_TRUE(panel->Button(217)->isEnabled()) << "buttons keep their state";
    Enter(*panel);
    EXPECT_TRUE(panel->InRegion());
}

TEST_F(WorldPanelTest, ServerDisconnectWhileIdleOnlyReports) {
    auto panel = MakePanel();
    Recorder comm(panel->Communication());
    comm.Fire(CTeskCommunication::kServerDisconnected, {});
    EXPECT_EQ(Messages(), std::vector<std::string>{"サーバから切断されました。"});
    EXPECT_TRUE(panel->Roster().IsEmpty());
    EXPECT_FALSE(panel->InRegion());
}

TEST_F(WorldPanelTest, RegionClosedRunsTheLeaveSequenceAndShutdownCleansUp) {
    auto panel = MakePanel();
    Enter(*panel);
    Recorder comm(panel->Communication());
    comm.Clear();
    comm.Fire(CTeskCommunication::kRegionClosed, {Variant::I2(3)});
    EXPECT_EQ(comm.Calls(), (std::vector<std::string>{"LeaveRegion()", "TalkOut()", "CloseServer()"}));
    EXPECT_FALSE(panel->InRegion());

    Enter(*panel);
    WriteFile("Region.tmp", "x");
    comm.Clear();
    panel->Shutdown();
    EXPECT_EQ(comm.Calls(), (std::vector<std::string>{"LeaveRegion()", "TalkOut()", "CloseServer()"}));
    EXPECT_FALSE(QFileInfo::exists(install_.filePath("Region.tmp")));
}

TEST_F(WorldPanelTest, RefusedTalkOutKeepsTheSession) {
    auto panel = MakePanel();
    Enter(*panel);
    Recorder comm(panel->Communication());
    comm.PushResult(CTeskCommunication::kTalkOut, Variant::Bool(false));
    EXPECT_FALSE(panel->LeaveSequence());
    EXPECT_EQ(Messages(), std::vector<std::string>{"サーバとの切断に失敗しました。"});
    EXPECT_TRUE(panel->InRegion());
    EXPECT_EQ(panel->Roster().Size(), 1u);
}

// ---- other avatars ---------------------------------------------------------------------------

TEST_F(WorldPanelTest, EnteringAvatarsGetTheirModelByNumberOrTheStandIn) {
    auto panel = MakePanel();
    Enter(*panel);
    Recorder comm(panel->Communication()), view(panel->View());
    int refreshes = 0;
    WorldPanel::Hooks hooks;
    hooks.refreshRosterWindows = [&refreshes] { ++refreshes; };
    panel->SetHooks(hooks);
    view.Clear();
    const std::string cat = installDir_ + "/AvatarData/cat01/cat.wrl";
    const std::string dog = installDir_ + "/AvatarData/dog02/dog.wrl";
    const std::pair<std::string, std::string> cases[] = {
        {"1", cat}, {"0", cat}, {"2", dog}, {"abc", cat}, {"3", ""}, {"-2", cat}};
    int16_t id = 20;
    for (const auto& [number, model] : cases) {
        comm.Fire(CTeskCommunication::kAvatarEntered, EnteredArgs(id, "C0A80001:5", "amy", number));
        EXPECT_EQ(view.Calls().at(view.Calls().size() - 2), "AvatarModelFile='" + model + "'") << number;
        ++id;
    }
    EXPECT_EQ(view.Calls().back(), "CreateAvatar(25,'C0A80001:5','amy','-2',1,1500,0,-2000,0,0,1)");
    EXPECT_EQ(panel->Roster().Size(), 7u);
    EXPECT_EQ(panel->Roster().Find(20)->address, "192.168.0.1");
    EXPECT_FALSE(panel->Roster().Find(20)->own);
    EXPECT_EQ(refreshes, 6);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(WorldPanelTest, AvatarsWithoutAnyDefinitionListStillAppear) {
    QFile::remove(install_.filePath("AvatarData/Avatar_User.dat"));
    auto panel = MakePanel();
    Enter(*panel);
    EXPECT_EQ(panel->Definitions(), nullptr);
    Recorder comm(panel->Communication()), view(panel->View());
    comm.Fire(CTeskCommunication::kAvatarPresent, EnteredArgs(30, "u", "ghosty", "1"));
    EXPECT_EQ(view.Calls().at(view.Calls().size() - 2), "AvatarModelFile=''");
    EXPECT_EQ(view.Count("CreateAvatar(30"), 1);
    EXPECT_TRUE(panel->InRegion());
}

TEST_F(WorldPanelTest, AvatarThatCannotBeCreatedEndsTheSession) {
    auto panel = MakePanel();
    Enter(*panel);
    Recorder comm(panel->Communication()), view(panel->View()), chat(panel->Chat());
    comm.Clear();
    chat.Clear();
    view.PushResult(CTeskControlVrml::kCreateAvatar, Variant::Bool(false));
    comm.Fire(CTeskCommunication::kAvatarEntered, EnteredArgs(12, "u", "amy", "1"));
    EXPECT_EQ(Messages(), std::vector<std::string>{"アバタの生成に失敗しました。"});
    EXPECT_EQ(comm.Calls(), (std::vector<std::string>{"LeaveRegion()", "TalkOut()", "CloseServer()"}));
    EXPECT_EQ(chat.Calls(), std::vector<std::string>{"Delete()"});
    EXPECT_FALSE(panel->InRegion());
    EXPECT_TRUE(panel->Roster().IsEmpty());
}

TEST_F(WorldPanelTest, LeavingMovingAndActingAvatars) {
    auto panel = MakePanel();
    Enter(*panel);
    Recorder comm(panel->Communication()), view(panel->View());
    comm.Fire(CTeskCommunication::kAvatarEntered, EnteredArgs(12, "u", "amy", "1"));
    view.Clear();

    comm.Fire(CTeskCommunication::kAvatarMoved, Args({Variant::I2(12)}, Pose(1, 2, 3, 0, 0, -1)));
    comm.Fire(CTeskCommunication::kAvatarActed, {Variant::I2(12), Variant::Bstr("a03")});
    EXPECT_EQ(view.Calls(), (std::vector<std::string>{"MoveAvatar(12,1,2,3,0,0,-1)", "ControlAvatar(12,'a03')"}));
    view.PushResult(CTeskControlVrml::kMoveAvatar, Variant::Bool(false));
    view.PushResult(CTeskControlVrml::kControlAvatar, Variant::Bool(false));
    comm.Fire(CTeskCommunication::kAvatarMoved, Args({Variant::I2(12)}, Pose(1, 2, 3, 0, 0, -1)));
    comm.Fire(CTeskCommunication::kAvatarActed, {Variant::I2(12), Variant::Bstr("a03")});
    EXPECT_EQ(Messages(), (std::vector<std::string>{"アバタの移動に失敗しました。", "アバタの生成に失敗しました。"}));
    EXPECT_EQ(panel->Roster().Size(), 2u) << "a failed move or gesture does not touch the roster";
    EXPECT_TRUE(panel->InRegion());

    view.Clear();
    comm.Fire(CTeskCommunication::kAvatarLeft, {Variant::I2(99)});
    EXPECT_EQ(view.Calls(), std::vector<std::string>{"DeleteAvatar(99)"});
    EXPECT_EQ(panel->Roster().Size(), 2u);
    view.PushResult(CTeskControlVrml::kDeleteAvatar, Variant::Bool(false));
    comm.Fire(CTeskCommunication::kAvatarLeft, {Variant::I2(12)});
    EXPECT_EQ(panel->Roster().Size(), 1u);
    EXPECT_EQ(Messages().back(), "アバタの削除に失敗しました。");
}

TEST_F(WorldPanelTest, OwnMovementGoesToTheServerAndMalformedEventsAreIgnored) {
    auto panel = MakePanel();
    Enter(*panel);
    Recorder comm(panel->Communication()), view(panel->View());
    comm.Clear();
    view.Fire(CTeskControlVrml::kViewpointMoved, Args({Variant::I2(-5)}, Pose(100, 0, 200, 1, 0, 0)));
    EXPECT_EQ(comm.Calls(), std::vector<std::string>{"SendAvatarPose(100,0,200,1,0,0)"});

    view.Clear();
    comm.Fire(CTeskCommunication::kAvatarEntered, {Variant::I2(3), Variant::Bstr("u")});
    comm.Fire(CTeskCommunication::kAvatarMoved, {Variant::Bstr("x")});
    comm.Fire(CTeskCommunication::kAvatarEntered,
              Args({Variant::Bstr("3"), Variant::Bstr("u"), Variant::Bstr("n"), Variant::Bstr("1"), Variant::I2(1)},
                   Pose(0, 0, 0, 0, 0, 0)));
    EXPECT_TRUE(view.Calls().empty());
    EXPECT_EQ(panel->Roster().Size(), 1u);
}

TEST_F(WorldPanelTest, ChatLinesTravelBetweenTheChatAndTheServer) {
    auto panel = MakePanel();
    Enter(*panel);
    Recorder comm(panel->Communication()), chat(panel->Chat());
    comm.Fire(CTeskCommunication::kAvatarEntered, EnteredArgs(12, "C0A80001:1", "amy", "1"));
    chat.Clear();
    comm.Clear();
    comm.Fire(CTeskCommunication::kChatStringReceived, {Variant::I2(12), Variant::Bstr("hi")});
    comm.Fire(CTeskCommunication::kChatStringReceived, {Variant::I2(44), Variant::Bstr("lost")});
    comm.Fire(CTeskCommunication::kAdminMessage, {Variant::Bstr("closing soon")});
    EXPECT_EQ(chat.Calls(), (std::vector<std::string>{"WriteChatString('amy','C0A80001:1','hi')",
                                                      "WriteChatString('Admin','','closing soon')"}));
    chat.Fire(CTeskChat::kReadChatString, {Variant::Bstr("hello all")});
    EXPECT_EQ(comm.Calls(), std::vector<std::string>{"SendChatString('hello all')"});
}

TEST_F(WorldPanelTest, SaveCommandNamesTheFileByPrefixAndTime) {
    auto panel = MakePanel();
    Enter(*panel);
    Recorder chat(panel->Chat());
    chat.Clear();
    panel->Button(225)->click();
    const auto calls = chat.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].substr(0, 14), "SaveChat('chat");
    EXPECT_EQ(calls[0].size(), std::string("SaveChat('chat20000401090507.txt')").size());
}

}  // namespace
}  // namespace plexa::testing
