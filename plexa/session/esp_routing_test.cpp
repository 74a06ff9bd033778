// The panel's roster windows and its ESP routing, against the recording stand-ins.
#include "platform/ui/window_timer.h"
#include "plexa/session/avatar_list_dialog.h"
#include "plexa/session/esp_partner_dialog.h"
#include "plexa/session/session_test_support.h"
#include "plexa/session/world_panel.h"

#include "platform/ui/bitmap_button.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace plexa::testing {
namespace {

using com::Variant;

std::vector<Variant> EnteredArgs(int16_t id, const std::string& user, const std::string& name) {
    std::vector<Variant> args{Variant::I2(id), Variant::Bstr(user), Variant::Bstr(name), Variant::Bstr("1"),
                              Variant::I2(1)};
    for (const Variant& v : Pose(0, 0, 0, 0, 0, -1)) args.push_back(v);
    return args;
}

QStringList Column(const QTreeWidget* list, int column) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(column);
    return out;
}

class EspRoutingTest : public PanelTest {
protected:
    // In the region with three others: amy (192.168.0.1), bob2 (9.0.0.1), cat (10.0.0.1).
    std::unique_ptr<WorldPanel> PanelWithOthers() {
        auto panel = MakePanel();
        Enter(*panel, 0, "me");
        Recorder comm(panel->Communication());
        comm.Fire(CTeskCommunication::kAvatarEntered, EnteredArgs(12, "C0A80001:1", "amy"));
        comm.Fire(CTeskCommunication::kAvatarEntered, EnteredArgs(13, "09000001:1", "bob2"));
        comm.Fire(CTeskCommunication::kAvatarEntered, EnteredArgs(14, "0A000001:1", "cat"));
        return panel;
    }
};

TEST_F(EspRoutingTest, TheAvatarListShowsEveryoneTheChooserNeverTheUser) {
    auto panel = PanelWithOthers();
    ASSERT_NE(panel->AvatarList(), nullptr);
    EXPECT_FALSE(panel->AvatarList()->isVisible());
    panel->Button(217)->click();
    panel->Button(218)->click();
    ASSERT_TRUE(panel->AvatarList()->isVisible());
    ASSERT_TRUE(panel->EspPartner()->isVisible());
    EXPECT_EQ(panel->AvatarList()->windowTitle(), QString::fromUtf8("リージョン内アバタ一覧"));
    EXPECT_EQ(Column(panel->AvatarList()->List(), 0), (QStringList{"me", "amy", "bob2", "cat"}));
    EXPECT_EQ(Column(panel->AvatarList()->List(), 1),
              (QStringList{"Localhost", "192.168.0.1", "9.0.0.1", "10.0.0.1"}));
    EXPECT_EQ(Column(panel->EspPartner()->List(), 0), (QStringList{"amy", "bob2", "cat"}));
    EXPECT_EQ(panel->EspPartner()->List()->headerItem()->text(0), QString::fromUtf8("アバタ名"));
    EXPECT_EQ(panel->EspPartner()->List()->headerItem()->text(1), QString::fromUtf8("IP アドレス"));

    // A roster change refills what is shown; the button hides again.
    Recorder(panel->Communication()).Fire(CTeskCommunication::kAvatarLeft, {Variant::I2(13)});
    EXPECT_EQ(Column(panel->EspPartner()->List(), 0), (QStringList{"amy", "cat"}));
    EXPECT_EQ(Column(panel->AvatarList()->List(), 0), (QStringList{"me", "amy", "cat"}));
    panel->Button(217)->click();
    EXPECT_FALSE(panel->AvatarList()->isVisible());
    panel->EspPartner()->CloseButton()->click();
    EXPECT_FALSE(panel->EspPartner()->isVisible());
}

TEST_F(EspRoutingTest, TheAddressHeaderSortsByUserIdAndEachClickFlipsTheOrder) {
    auto panel = PanelWithOthers();
    panel->Button(217)->click();
    AvatarListDialog* list = panel->AvatarList();
    // "9.0.0.1" sorts after "10.0.0.1" as text, but its user id 09000001 comes first.
    list->List()->header()->sectionClicked(1);
    // The own id "4242" has no address part and sorts by its bytes like any other.
    EXPECT_EQ(Column(list->List(), 0), (QStringList{"bob2", "cat", "me", "amy"}));
    list->List()->header()->sectionClicked(1);
    EXPECT_EQ(Column(list->List(), 0), (QStringList{"amy", "me", "cat", "bob2"}));
    // The direction flips whichever column is clicked.
    list->List()->header()->sectionClicked(0);
    EXPECT_EQ(Column(list->List(), 0), (QStringList{"amy", "bob2", "cat", "me"}));
    list->List()->header()->sectionClicked(0);
    EXPECT_EQ(Column(list->List(), 0), (QStringList{"me", "cat", "bob2", "amy"}));
}

TEST_F(EspRoutingTest, NamesBeyondCp932AreListedAsTheirOwnersTypedThem) {
    auto panel = MakePanel();
    Enter(*panel, 0, "me");
    Recorder(panel->Communication())
        .Fire(CTeskCommunication::kAvatarEntered, EnteredArgs(12, "C0A80001:1", "Zo&#xEB;&#x1F338; &#x26;#x41;"));
    panel->Button(217)->click();
    EXPECT_EQ(Column(panel->AvatarList()->List(), 0), (QStringList{"me", QString::fromUtf8("Zoë🌸 &#x41;")}));
}

TEST_F(EspRoutingTest, NamesCompareAsUnsignedBytes) {
    RosterEntry a, b;
    a.avatarName = platform::Sjis("ア");  // 0x83 0x41: a high byte sorts after ASCII
    b.avatarName = "Z";
    EXPECT_EQ(RosterListDialog::CompareRows(a, b, 0), 1);
    a.userId = "AB";
    b.userId = "ABC";
    EXPECT_EQ(RosterListDialog::CompareRows(a, b, 1), -1);
    EXPECT_EQ(RosterListDialog::CompareRows(a, a, 1), 0);
}

TEST_F(EspRoutingTest, ConnectRequestsTheChosenPartnerAndReportsARefusal) {
    auto panel = PanelWithOthers();
    panel->Button(218)->click();
    EspPartnerDialog* chooser = panel->EspPartner();
    Recorder comm(panel->Communication());
    comm.Clear();
    EXPECT_FALSE(chooser->ConnectButton()->isEnabled());
    EXPECT_EQ(chooser->ChosenRow(), -1);
    chooser->ConnectButton()->click();
    EXPECT_TRUE(comm.Calls().empty());

    QTreeWidget* list = chooser->List();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
    EXPECT_EQ(chooser->ChosenRow(), 1);
    EXPECT_TRUE(chooser->ConnectButton()->isEnabled());
    chooser->ConnectButton()->click();
    EXPECT_EQ(comm.Calls(), std::vector<std::string>{"OpenEspConnection('09000001:1',13,'bob2')"});
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(chooser->isVisible());

    comm.Clear();
    comm.SetResult(CTeskCommunication::kOpenEspConnection, Variant::Bool(false));
    const QPoint third = list->visualItemRect(list->topLevelItem(2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, third);
    EXPECT_EQ(comm.Calls(), std::vector<std::string>{"OpenEspConnection('0A000001:1',14,'cat')"});
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "ESPコネクションのオープンに失敗しました。");

    // The chosen row is a position: after the partner there leaves it names whoever stands there now.
    comm.Clear();
    comm.Fire(CTeskCommunication::kAvatarLeft, {Variant::I2(14)});
    chooser->ChooseRow(2);
    chooser->Connect();
    EXPECT_TRUE(comm.CallsOf("OpenEspConnection").empty());
}

TEST_F(EspRoutingTest, TheChatControlSwitchesTheConnectButton) {
    auto panel = PanelWithOthers();
    Recorder chat(panel->Chat());
    chat.Fire(CTeskChat::kNotifyEspConnection, {Variant::Bool(true)});
    EXPECT_TRUE(panel->EspPartner()->ConnectButton()->isEnabled());
    chat.Fire(CTeskChat::kNotifyEspConnection, {Variant::Bool(false)});
    EXPECT_FALSE(panel->EspPartner()->ConnectButton()->isEnabled());
}

TEST_F(EspRoutingTest, AServerRequestOpensTheWindowAndItsResultSetsTheAcceptFlag) {
    auto panel = PanelWithOthers();
    Recorder comm(panel->Communication()), chat(panel->Chat());
    comm.Clear();
    chat.Clear();
    comm.Fire(CTeskCommunication::kEspRequested, {Variant::I2(12), Variant::Bstr("ignored"), Variant::Bstr("x")});
    EXPECT_EQ(comm.Calls(), std::vector<std::string>{"EspAccept=true"});
    EXPECT_EQ(chat.Calls(), std::vector<std::string>{"OpenEspWindow(12,'amy','C0A80001:1')"});

    // Someone from another region: the event's user id and the stand-in name.
    comm.Clear();
    chat.Clear();
    chat.SetResult(CTeskChat::kOpenEspWindow, Variant::I2(1));
    comm.Fire(CTeskCommunication::kEspRequested, {Variant::I2(99), Variant::Bstr("0A000009:2"), Variant::Bstr("")});
    EXPECT_EQ(chat.Calls(), std::vector<std::string>{"OpenEspWindow(99,'" + platform::Sjis("他ﾘｰｼﾞｮﾝのｱﾊﾞﾀ") + "','0A000009:2')"});
    EXPECT_EQ(comm.Calls(), (std::vector<std::string>{"EspAccept=true", "EspAccept=false"}));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "ESPウィンドウのオープンに失敗しました。");

    // A refusal by the chat control: no message of the panel's own.
    comm.Clear();
    chat.SetResult(CTeskChat::kOpenEspWindow, Variant::I2(2));
    comm.Fire(CTeskCommunication::kEspRequested, {Variant::I2(13), Variant::Bstr("u"), Variant::Bstr("")});
    EXPECT_EQ(comm.Calls(), (std::vector<std::string>{"EspAccept=true", "EspAccept=false"}));
    EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(EspRoutingTest, EspLinesAndClosesTravelBothWays) {
    auto panel = PanelWithOthers();
    Recorder comm(panel->Communication()), chat(panel->Chat());
    comm.Clear();
    chat.Clear();
    comm.Fire(CTeskCommunication::kEspStringReceived, {Variant::I2(12), Variant::Bstr("psst")});
    comm.Fire(CTeskCommunication::kEspStringReceived, {Variant::I2(77), Variant::Bstr("far")});
    EXPECT_EQ(chat.Calls(), (std::vector<std::string>{
                                "WriteEspString(12,'amy','psst','C0A80001:1')",
                                "WriteEspString(77,'" + platform::Sjis("他ﾘｰｼﾞｮﾝのｱﾊﾞﾀ") + "','far','')"}));
    chat.Fire(CTeskChat::kReadEspString, {Variant::I2(12), Variant::Bstr("back")});
    chat.Fire(CTeskChat::kClosedEspConnection, {Variant::I2(12), Variant::Bstr("C0A80001:1")});
    EXPECT_EQ(comm.Calls(), (std::vector<std::string>{"SendEspString(12,'back')",
                                                      "CloseEspConnection('C0A80001:1',12)"}));

    chat.Clear();
    comm.Fire(CTeskCommunication::kEspClosed, {Variant::I2(12)});
    EXPECT_EQ(chat.Calls(), std::vector<std::string>{"CloseEspWindow(12)"});
    EXPECT_TRUE(Messages().empty());
    chat.SetResult(CTeskChat::kCloseEspWindow, Variant::Bool(false));
    comm.Fire(CTeskCommunication::kEspClosed, {Variant::I2(12)});
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "ESPウィンドウのクローズに失敗しました。");
}

TEST_F(EspRoutingTest, LeavingTheRegionHidesBothWindows) {
    auto panel = PanelWithOthers();
    panel->Button(217)->click();
    panel->Button(218)->click();
    ASSERT_TRUE(panel->LeaveSequence());
    EXPECT_FALSE(panel->AvatarList()->isVisible());
    EXPECT_FALSE(panel->EspPartner()->isVisible());
}

}  // namespace
}  // namespace plexa::testing
