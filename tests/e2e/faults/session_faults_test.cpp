// What the user sees when things go wrong around a running session: the server dies, another
// participant's process dies, the avatar definitions or the region list are damaged. Real child
// controls, a real server and a real moneko-bot process.
#include "platform/text/cp932.h"
#include "platform/ui/window_timer.h"
#include "tests/e2e/support/bot_process.h"
#include "tests/e2e/support/world_test_bed.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace e2e {
namespace {

using plexa::RosterEntry;
using plexa::WorldPanel;

constexpr const char* kServerDisconnected = "サーバから切断されました。";
constexpr const char* kAvatarCreateFailed = "アバタの生成に失敗しました。";

const RosterEntry* Other(const WorldPanel& panel) {
    for (const RosterEntry& e : panel.Roster())
        if (!e.own) return &e;
    return nullptr;
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

class SessionFaults : public WorldTestBed {};

TEST_F(SessionFaults, ServerKilledBothAreToldAndBothComeBackWhenItReturns) {
    a_ = StartPanel("alice", 0);
    b_ = StartPanel("bob", 820);
    ASSERT_TRUE(Enter(*a_)) << server_.Log();
    ASSERT_TRUE(Enter(*b_)) << server_.Log();
    ASSERT_TRUE(WaitForRosterSize(*a_, 2) && WaitForRosterSize(*b_, 2)) << server_.Log();

    server_.Kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return MessageCount(kServerDisconnected) == 2; }, 20000)) << MessageTexts().toStdString();
    for (WorldPanel* panel : {a_.get(), b_.get()}) {
        EXPECT_FALSE(panel->InRegion());
        EXPECT_TRUE(panel->Roster().IsEmpty());
        // The region change button is usable again: the user is not stuck.
        EXPECT_FALSE(panel->RegionChangeBusy());
    }
    Screenshot(*a_, "server_killed_alice");

    // A region change while the server is still away ends without a hang or a crash, and leaves
    // the toolbar usable.
    AnswerRegionDialog(0, "alice");
    a_->RegionChange();
    if (a_->Timers().IsActive(WorldPanel::kEntryTimer)) {
        EXPECT_FALSE(Enter(*a_));
    }
    EXPECT_FALSE(a_->InRegion());
    EXPECT_FALSE(a_->RegionChangeBusy());

    // The server is back (on a new port, so the settings move with it): both enter and meet again.
    ASSERT_TRUE(server_.Start());
    PointHostAtServer();
    for (auto [panel, name] : {std::pair{a_.get(), "alice"}, std::pair{b_.get(), "bob"}}) {
        AnswerRegionDialog(0, name);
        panel->RegionChange();
        ASSERT_TRUE(Enter(*panel)) << name << ": " << MessageTexts().toStdString() << server_.Log();
    }
    ASSERT_TRUE(WaitForRosterSize(*a_, 2) && WaitForRosterSize(*b_, 2)) << server_.Log();
    EXPECT_EQ(Other(*a_)->avatarName, "bob");
    EXPECT_EQ(Other(*b_)->avatarName, "alice");
    QTest::qWait(300);
    EXPECT_TRUE(HasContent(Screenshot(*a_, "server_back_alice_meets_bob"), QRect(20, 60, 300, 150)));
}

TEST_F(SessionFaults, AKilledParticipantLeavesTheOthersRosterAndView) {
    a_ = StartPanel("alice", 0);
    ASSERT_TRUE(Enter(*a_)) << server_.Log();
    BotProcess bot;
    ASSERT_TRUE(bot.Start(server_.Port(), platform::ToQString(a_->CurrentRegionAddress()), "carol", "carol"))
        << bot.Output().toStdString() << server_.Log();
    ASSERT_TRUE(WaitForRosterSize(*a_, 2)) << server_.Log();
    ASSERT_NE(Other(*a_), nullptr);
    EXPECT_EQ(Other(*a_)->clientId, bot.ClientId());

    bot.Kill();
    // The server notices the dead connection and tells the region: the figure goes.
    ASSERT_TRUE(WaitForRosterSize(*a_, 1, 30000)) << server_.Log();
    EXPECT_TRUE(a_->InRegion());
    EXPECT_EQ(MessageCount("アバタの削除に失敗しました。"), 0) << MessageTexts().toStdString();
    Screenshot(*a_, "participant_killed");

    // The session goes on: a newcomer is seen as before.
    BotProcess dave;
    ASSERT_TRUE(dave.Start(server_.Port(), platform::ToQString(a_->CurrentRegionAddress()), "dave", "dave"));
    EXPECT_TRUE(WaitForRosterSize(*a_, 2));
}

TEST_F(SessionFaults, DamagedAvatarDefinitionsStillShowEveryParticipant) {
    // Cut off in the middle of a section, with bytes no editor would write.
    QFile original(InstallPath("AvatarData/Avatar_User.dat"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray damaged = original.readAll().left(300);
    original.close();
    damaged += QByteArray("\x00\xff\x81[\r\nVRML=\r\nBUTTON=../../../etc/passwd\r\n[", 40);
    ASSERT_TRUE(WriteBytes(InstallPath("AvatarData/Avatar_User.dat"), damaged));

    a_ = StartPanel("alice", 0);
    ASSERT_TRUE(Enter(*a_)) << MessageTexts().toStdString() << server_.Log();
    BotProcess bot;
    // An avatar number no definition holds.
    ASSERT_TRUE(bot.Start(server_.Port(), platform::ToQString(a_->CurrentRegionAddress()), "carol", "carol"));
    ASSERT_TRUE(WaitForRosterSize(*a_, 2)) << server_.Log();
    bot.Command("act a03");
    bot.Command("move 10000 0 9000 0 0 1");
    QTest::qWait(1500);
    EXPECT_TRUE(a_->InRegion());
    EXPECT_EQ(MessageCount(kAvatarCreateFailed), 0) << MessageTexts().toStdString();
    EXPECT_TRUE(HasContent(Screenshot(*a_, "damaged_definitions"), QRect(20, 60, 300, 150)));
}

TEST_F(SessionFaults, ADamagedRegionListOffersNothingToEnterAndARepairedOneWorksAgain) {
    QFile list(InstallPath("Region_List.Dat"));
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    const QByteArray good = list.readAll();
    list.close();
    // Garbage lines, a line without fields, and a double-byte lead byte cut off at the end.
    ASSERT_TRUE(WriteBytes(InstallPath("Region_List.Dat"),
                           QByteArray("\xff\xfe\x00junk\r\n,,,\r\n99999999999999999999,x\r\n\x82", 45)));
    AnswerRegionDialog(0, "alice");
    a_ = std::make_unique<WorldPanel>();
    a_->resize(800, 600);
    a_->show();
    a_->Initialize();
    QTest::qWait(1500);
    EXPECT_FALSE(a_->InRegion());
    EXPECT_FALSE(a_->Timers().IsActive(WorldPanel::kEntryTimer)) << "no entry into a region that is not listed";
    EXPECT_FALSE(a_->RegionChangeBusy());
    Screenshot(*a_, "damaged_region_list");
    // The dialog offered nothing to enter and the user could only cancel: the panel is idle.
    EXPECT_EQ(seam_.CountOf(platform::ui::RecordingModalSeam::Kind::RunModal), 1);
    a_->Shutdown();
    a_.reset();

    // The user puts a good list back and starts again: the lobby is listed and entered.
    ASSERT_TRUE(WriteBytes(InstallPath("Region_List.Dat"), good));
    a_ = StartPanel("alice", 0);
    EXPECT_TRUE(Enter(*a_)) << MessageTexts().toStdString();
}

}  // namespace
}  // namespace e2e
