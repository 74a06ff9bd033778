#include "plexa/session/avatar_roster.h"
#include "plexa/session/session_addresses.h"

#include <gtest/gtest.h>

namespace plexa {
namespace {

TEST(AvatarRoster, AddressComesFromTheUserIdsHexPart) {
    AvatarRoster roster;
    EXPECT_EQ(roster.Append(1, "C0A80001:77", "a", "1", 1, false).address, "192.168.0.1");
    EXPECT_EQ(roster.Append(2, "123456", "b", "1", 1, true).address, "Localhost");
    // Not hexadecimal: read as far as it goes, the same rule the chat log uses.
    EXPECT_EQ(roster.Append(3, "zz:1", "c", "1", 1, false).address, "0.0.0.0");
    EXPECT_EQ(roster.Append(4, "7F000001:a:b", "d", "1", 1, false).address, "127.0.0.1");
}

TEST(AvatarRoster, FindRemoveAndOwnActOnTheFirstMatchInArrivalOrder) {
    AvatarRoster roster;
    roster.Append(5, "u1", "first", "1", 1, false);
    roster.Append(9, "u2", "own", "2", 1, true);
    roster.Append(5, "u3", "second", "3", 2, false);
    ASSERT_NE(roster.Find(5), nullptr);
    EXPECT_EQ(roster.Find(5)->avatarName, "first");
    EXPECT_EQ(roster.OwnEntry()->avatarName, "own");
    EXPECT_EQ(roster.Find(-1), nullptr);

    EXPECT_TRUE(roster.Remove(5));
    ASSERT_EQ(roster.Size(), 2u);
    EXPECT_EQ(roster.Find(5)->avatarName, "second");
    EXPECT_EQ(roster.begin()->avatarName, "own");

    EXPECT_FALSE(roster.Remove(77)) << "absent key leaves the roster alone";
    EXPECT_EQ(roster.Size(), 2u);
    roster.Empty();
    EXPECT_TRUE(roster.IsEmpty());
    EXPECT_FALSE(roster.Remove(9));
    EXPECT_EQ(roster.OwnEntry(), nullptr);
}

TEST(AvatarRoster, ClientIdsCompareAsSixteenBits) {
    AvatarRoster roster;
    roster.Append(static_cast<int16_t>(0xFFFF), "u", "n", "1", 1, false);
    EXPECT_NE(roster.Find(-1), nullptr);
    EXPECT_EQ(roster.Find(static_cast<int16_t>(0x7FFF)), nullptr);
}

TEST(SessionAddresses, HostAndPortSplitAtTheFirstColon) {
    auto a = SplitHost("chat.example", "11001");
    EXPECT_EQ(a.host, "chat.example");
    EXPECT_EQ(a.port, 11001);
    a = SplitHost("name:1234", "11001");
    EXPECT_EQ(a.host, "name");
    EXPECT_EQ(a.port, 1234);
    a = SplitHost("name:", "11001");
    EXPECT_EQ(a.host, "name");
    EXPECT_EQ(a.port, 0);
    a = SplitHost("h:12:34", "11001");
    EXPECT_EQ(a.host, "h");
    EXPECT_EQ(a.port, 12);
}

TEST(SessionAddresses, UserIdIsTheClockModuloFfffff) {
    EXPECT_EQ(MakeUserId(0), "0");
    EXPECT_EQ(MakeUserId(1048574), "1048574");
    EXPECT_EQ(MakeUserId(1048575), "0");
    EXPECT_EQ(MakeUserId(1048575L * 1000 + 99), "99");
    EXPECT_EQ(MakeUserId(1000), MakeUserId(1000)) << "two entries in one second share the id";
}

TEST(SessionAddresses, LocalSceneMapsThePrefixWithoutRegardToCase) {
    EXPECT_EQ(LocalSceneAddress("HTTP://Chat.Host:80/r/a.wrl", "chat.host:80", "/opt/m"), "file:///opt/m/r/a.wrl");
    EXPECT_EQ(LocalSceneAddress("http://chat.host:80/r/a.wrl  \t", "chat.host:80", "/opt/m"),
              "file:///opt/m/r/a.wrl");
    // Another server: its address stays inside the path.
    EXPECT_EQ(LocalSceneAddress("http://other/x.wrl", "chat.host", "/opt/m"), "file:///opt/m/http://other/x.wrl");
    // A bare file name still lands inside the installation directory.
    EXPECT_EQ(LocalSceneAddress("lobby.wrl", "h", "/opt/m"), "file:///opt/m/lobby.wrl");
    EXPECT_EQ(LocalSceneAddress("lobby.wrl", "h", "/opt/m/"), "file:///opt/m/lobby.wrl");
}

}  // namespace
}  // namespace plexa
