// Two users in one world: both panels run the real child controls against a real server on
// loopback, as two clients on one machine would.
#include "platform/com/module_loader.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_test_env.h"
#include "platform/text/cp932.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"
#include "platform/ui/window_timer.h"
#include "plexa/data/region_select_dialog.h"
#include "plexa/session/world_panel.h"
#include "server/server_process.h"
#include "plexa/settings/settings_test_writer.h"
#include "tests/e2e/support/world_test_bed.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace plexa {
namespace {

namespace reg = platform::registry;
namespace com = platform::com;
using platform::ui::RecordingModalSeam;

class SessionEndToEnd : public e2e::WorldTestBed {
protected:
    QString ArtifactArea() const override { return QStringLiteral("session"); }

    // The entry timer's tick, without waiting its ten seconds.
    void Tick(WorldPanel& panel) {
        ASSERT_TRUE(panel.Timers().IsActive(WorldPanel::kEntryTimer));
        panel.OnTimer(WorldPanel::kEntryTimer);
    }

    static const RosterEntry* Other(const WorldPanel& panel) {
        for (const RosterEntry& e : panel.Roster())
            if (!e.own) return &e;
        return nullptr;
    }

    // What a panel's view shows of one avatar: "id,x,y,z,visible" from the view control's
    // diagnostic method (position in millimetres where it is drawn now).
    static std::string ViewState(WorldPanel& panel, int16_t clientId) {
        com::Variant result;
        if (!panel.View().Site() || panel.View().Site()->Call(100, {com::Variant::I2(clientId)}, &result) != com::S_OK)
            return "no view";
        return result.AsBstr();
    }
    static std::string Expected(int16_t clientId, int x, int z, bool visible) {
        return std::to_string(clientId) + "," + std::to_string(x) + ",0," + std::to_string(z) + "," +
               (visible ? "1" : "0");
    }
    static QImage ViewImage(WorldPanel& panel) { return panel.View().Window()->grab().toImage(); }
    static int ChangedPixels(const QImage& a, const QImage& b) {
        if (a.size() != b.size()) return a.width() * a.height();
        int n = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
                if (std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue()) > 30) ++n;
            }
        return n;
    }
};

TEST_F(SessionEndToEnd, TwoUsersMeetMoveLeaveAndSurviveAServerRestart) {
    a_ = StartPanel("alice", 0);
    b_ = StartPanel("bob", 820);
    ASSERT_FALSE(HasFailure());
    Tick(*a_);
    ASSERT_TRUE(a_->InRegion()) << server_.Log();
    Tick(*b_);
    ASSERT_TRUE(b_->InRegion()) << server_.Log();

    // Each sees the other: the newcomer through the present list, the first through the entry.
    ASSERT_TRUE(QTest::qWaitFor([&] { return a_->Roster().Size() == 2 && b_->Roster().Size() == 2; }, 10000))
        << server_.Log();
    ASSERT_NE(Other(*a_), nullptr);
    EXPECT_EQ(Other(*a_)->avatarName, "bob");
    EXPECT_EQ(Other(*a_)->avatarNumber, "3");
    EXPECT_EQ(Other(*b_)->avatarName, "alice");
    EXPECT_EQ(Other(*a_)->clientId, b_->Roster().OwnEntry()->clientId);
    EXPECT_EQ(Other(*a_)->address, "127.0.0.1");
    EXPECT_TRUE(seam_.CallsOf(RecordingModalSeam::Kind::MessageBox).empty()) << "no avatar failed to appear";

    // Each view follows its own avatar, and the other is where he stands: both entered at the
    // own pose (10 m in), which each view reports once it follows its avatar. That spot is the
    // lobby's low table, so Alice, first, stepped off it; Bob came second and stepped aside from
    // both. Each sees the other where the other's own view put them.
    const int16_t aliceId = a_->Roster().OwnEntry()->clientId;
    const int16_t bobId = b_->Roster().OwnEntry()->clientId;
    com::Variant own;
    ASSERT_EQ(a_->View().Site()->Call(102, {}, &own), com::S_OK);
    EXPECT_EQ(own.AsI2(), aliceId);
    ASSERT_EQ(b_->View().Site()->Call(102, {}, &own), com::S_OK);
    EXPECT_EQ(own.AsI2(), bobId);
    auto where = [](const std::string& state) { return state.substr(0, state.rfind(',')); };
    const std::string bobHimself = ViewState(*b_, bobId);
    EXPECT_NE(where(bobHimself), where(Expected(bobId, 10000, 10000, true))) << "not on Alice's spot";
    EXPECT_TRUE(QTest::qWaitFor([&] { return where(ViewState(*a_, bobId)) == where(bobHimself); }, 5000))
        << ViewState(*a_, bobId) << " / " << bobHimself;
    const std::string aliceHerself = ViewState(*a_, aliceId);
    EXPECT_NE(where(aliceHerself), where(Expected(aliceId, 10000, 10000, true))) << "not on the table";
    EXPECT_NE(where(bobHimself), where(aliceHerself));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ViewState(*b_, aliceId) == where(aliceHerself) + ",1"; }, 5000))
        << ViewState(*b_, aliceId) << " / " << aliceHerself;
    // Alice's place in millimetres, from "id,x,y,z,visible".
    const QStringList aliceAt = QString::fromStdString(aliceHerself).split(',');
    ASSERT_EQ(aliceAt.size(), 5);
    const int aliceX = aliceAt[1].toInt(), aliceZ = aliceAt[3].toInt();
    Screenshot(*a_, "session_alice_meets_bob");
    const QImage before = ViewImage(*a_);

    // Bob walks 4 m ahead of Alice and turns to face her: her view shows him there.
    b_->Communication().SendAvatarPose(AvatarPose{{float(aliceX + 1500), 0, float(aliceZ - 4000), 0, 0, 1}});
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return ViewState(*a_, bobId) == Expected(bobId, aliceX + 1500, aliceZ - 4000, true); }, 5000))
        << ViewState(*a_, bobId);
    QTest::qWait(200);
    EXPECT_GT(ChangedPixels(before, ViewImage(*a_)), 100) << "Bob's move changes Alice's picture";
    EXPECT_EQ(MessageCount("アバタの移動に失敗しました。"), 0);
    EXPECT_EQ(a_->Roster().Size(), 2u);
    Screenshot(*a_, "session_bob_moved");

    // Bob goes to another region: he leaves Alice's roster and view.
    AnswerRegionDialog(1, "bob");
    b_->RegionChange();
    ASSERT_TRUE(QTest::qWaitFor([&] { return a_->Roster().Size() == 1; }, 10000));
    EXPECT_EQ(MessageCount("アバタの削除に失敗しました。"), 0);
    Tick(*b_);
    EXPECT_TRUE(b_->InRegion());
    EXPECT_EQ(b_->Roster().Size(), 1u);

    // The server goes away: both are told, both are idle.
    server_.Kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return MessageCount("サーバから切断されました。") == 2; }, 20000));
    EXPECT_FALSE(a_->InRegion());
    EXPECT_FALSE(b_->InRegion());
    EXPECT_TRUE(a_->Roster().IsEmpty());

    // With the server back, a region change works again.
    ASSERT_TRUE(server_.Start());
    SetText("Login", "Host", "127.0.0.1:" + std::to_string(server_.Port()));
    AnswerRegionDialog(0, "alice");
    a_->RegionChange();
    Tick(*a_);
    EXPECT_TRUE(a_->InRegion()) << server_.Log();
    EXPECT_EQ(a_->Roster().Size(), 1u);
    Screenshot(*a_, "session_alice_back");
}

}  // namespace
}  // namespace plexa
