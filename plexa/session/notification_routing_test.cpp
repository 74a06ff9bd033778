// The session's events that call for the user's attention reach the notifier, and only those.
#include "platform/ui/window_timer.h"
#include "plexa/session/desktop_notifier.h"
#include "plexa/session/session_test_support.h"

#include <gtest/gtest.h>

namespace plexa::testing {
namespace {

using Kind = DesktopNotifier::Kind;

class NotificationRoutingTest : public PanelTest {
protected:
    std::unique_ptr<WorldPanel> InRegionWithAmy(bool away) {
        auto panel = MakePanel();
        Enter(*panel, 0, "me");
        Recorder(panel->Communication()).Fire(CTeskCommunication::kAvatarEntered, EnteredArgs(12, "C0A80001:1", "amy"));
        panel->Notifier()->SetAwayCheck([away] { return away; });
        return panel;
    }
    static std::vector<com::Variant> EnteredArgs(int16_t id, const std::string& user, const std::string& name) {
        std::vector<com::Variant> args{com::Variant::I2(id), com::Variant::Bstr(user), com::Variant::Bstr(name),
                                       com::Variant::Bstr("1"), com::Variant::I2(1)};
        for (float v : {1500.0f, 0.0f, -2000.0f, 0.0f, 0.0f, 1.0f}) args.push_back(com::Variant::R4(v));
        return args;
    }
};

TEST_F(NotificationRoutingTest, EspAndMentionsInTheBackgroundCallForAttention) {
    auto panel = InRegionWithAmy(true);
    Recorder comm(panel->Communication());
    DesktopNotifier& notifier = *panel->Notifier();
    comm.Fire(CTeskCommunication::kEspRequested, {com::Variant::I2(12), com::Variant::Bstr("x"), com::Variant::Bstr("")});
    EXPECT_EQ(notifier.Raised(Kind::EspRequest), 1);
    comm.Fire(CTeskCommunication::kEspStringReceived, {com::Variant::I2(12), com::Variant::Bstr("hi")});
    EXPECT_EQ(notifier.Raised(Kind::EspMessage), 1);
    comm.Fire(CTeskCommunication::kChatStringReceived, {com::Variant::I2(12), com::Variant::Bstr("hello all")});
    EXPECT_EQ(notifier.Raised(Kind::Mention), 0) << "a line that does not name the user";
    comm.Fire(CTeskCommunication::kChatStringReceived, {com::Variant::I2(12), com::Variant::Bstr("hello ME!")});
    EXPECT_EQ(notifier.Raised(Kind::Mention), 1);
}

TEST_F(NotificationRoutingTest, NothingWhileTheUserIsInTheWindowOrWhenTheChatRefusesTheRequest) {
    auto panel = InRegionWithAmy(false);
    Recorder comm(panel->Communication());
    comm.Fire(CTeskCommunication::kEspStringReceived, {com::Variant::I2(12), com::Variant::Bstr("hi")});
    comm.Fire(CTeskCommunication::kChatStringReceived, {com::Variant::I2(12), com::Variant::Bstr("me?")});
    EXPECT_EQ(panel->Notifier()->Raised(Kind::EspMessage), 0);
    EXPECT_EQ(panel->Notifier()->Raised(Kind::Mention), 0);
    panel->Notifier()->SetAwayCheck([] { return true; });
    Recorder(panel->Chat()).SetResult(CTeskChat::kOpenEspWindow, com::Variant::I2(2));
    comm.Fire(CTeskCommunication::kEspRequested, {com::Variant::I2(12), com::Variant::Bstr("x"), com::Variant::Bstr("")});
    EXPECT_EQ(panel->Notifier()->Raised(Kind::EspRequest), 0) << "a refused request opened nothing to look at";
}

}  // namespace
}  // namespace plexa::testing
