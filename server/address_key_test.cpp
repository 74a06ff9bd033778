// Address keys: every IPv6 host its own key, IPv4 keys as they always were.
#include "server/address_key.h"

#include <gtest/gtest.h>

namespace server {
namespace {

asio::ip::address A(const char* text) { return asio::ip::make_address(text); }

TEST(AddressKeyTest, Ipv4AndMappedKeepTheirShortKey) {
    EXPECT_EQ(AddressKey(A("127.0.0.1")), "7F000001");
    EXPECT_EQ(AddressKey(A("::ffff:192.0.2.7")), "C0000207");
    EXPECT_EQ(AddressKey(A("0.0.0.0")), "00000000");
}

TEST(AddressKeyTest, Ipv6HostsAreTellApart) {
    EXPECT_EQ(AddressKey(A("::1")), "00000000000000000000000000000001");
    EXPECT_EQ(AddressKey(A("2001:db8::1")), "20010DB8000000000000000000000001");
    EXPECT_NE(AddressKey(A("2001:db8::1")), AddressKey(A("2001:db8::2")));
    // None of them collides with an IPv4 key.
    EXPECT_EQ(AddressKey(A("::")).size(), 32u);
}

TEST(AddressKeyTest, OperatorInputIsNormalised) {
    EXPECT_EQ(ParseAddressKey("127.0.0.1"), "7F000001");
    EXPECT_EQ(ParseAddressKey("7f000001"), "7F000001");
    EXPECT_EQ(ParseAddressKey("2001:DB8::1"), "20010DB8000000000000000000000001");
    EXPECT_EQ(ParseAddressKey("20010db8000000000000000000000001"), "20010DB8000000000000000000000001");
    // A mapped address typed as 32 digits is the IPv4 host.
    EXPECT_EQ(ParseAddressKey("00000000000000000000FFFF7F000001"), "7F000001");
    for (const char* bad : {"", "localhost", "7F00001", "7F0000012", "GG000001", "1.2.3", "12345"})
        EXPECT_FALSE(ParseAddressKey(bad)) << bad;
}

TEST(AddressKeyTest, KeysReadBackAsAddresses) {
    EXPECT_EQ(AddressOfKey("7F000001"), "127.0.0.1");
    EXPECT_EQ(AddressOfKey("20010DB8000000000000000000000001"), "2001:db8::1");
}

}  // namespace
}  // namespace server
