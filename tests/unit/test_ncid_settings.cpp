// The [NCID] keys as read: which roles run, and where.
#include "ncid/NcidSettings.h"
#include "ncid/NcidText.h"

#include <gtest/gtest.h>

using namespace NcidSettings;

namespace {
std::string utf8(std::u16string_view text)
{
    return NcidText::toUtf8(text);
}
} // namespace

TEST(NcidSettings, ListenValues)
{
    const struct {
        std::u16string value;
        std::optional<Listen> listen;
    } cases[] = {
        {u"3333", Listen{{"127.0.0.1", "::1"}, 3333}},
        {u" 3333\t", Listen{{"127.0.0.1", "::1"}, 3333}},
        {u"1", Listen{{"127.0.0.1", "::1"}, 1}},
        {u"65535", Listen{{"127.0.0.1", "::1"}, 65535}},
        {u"0.0.0.0:3333", Listen{{"0.0.0.0"}, 3333}},
        {u"192.168.1.10:3334", Listen{{"192.168.1.10"}, 3334}},
        {u"[::]:3333", Listen{{"::"}, 3333}},
        {u"[::1]:3333", Listen{{"::1"}, 3333}},
        {u"[fe80::1:2]:3333", Listen{{"fe80::1:2"}, 3333}},
        {u"[::ffff:192.168.1.10]:3333", Listen{{"::ffff:192.168.1.10"}, 3333}},
        {u"[1:2:3:4:5:6:7:8]:3333", Listen{{"1:2:3:4:5:6:7:8"}, 3333}},
        // Not ports, not literal addresses, not one of the three forms.
        {u"0", std::nullopt},
        {u"65536", std::nullopt},
        {u"-1", std::nullopt},
        {u"+3333", std::nullopt},
        {u"３３３３", std::nullopt},
        {u"3333x", std::nullopt},
        {u"localhost:3333", std::nullopt},
        {u"256.1.1.1:3333", std::nullopt},
        {u"1.2.3:3333", std::nullopt},
        {u"01.2.3.4:3333", std::nullopt},
        {u"1.2.3.4:", std::nullopt},
        {u":3333", std::nullopt},
        {u"::1:3333", std::nullopt},
        {u"[::1]3333", std::nullopt},
        {u"[::1:3333", std::nullopt},
        {u"[1:2:3:4:5:6:7:8:9]:3333", std::nullopt},
        {u"[1::2::3]:3333", std::nullopt},
        {u"[12345::]:3333", std::nullopt},
        {u"[g::]:3333", std::nullopt},
        {u"[]:3333", std::nullopt},
        {u"1.2.3.4 :3333", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parseListen(c.value), c.listen) << utf8(c.value);
}

TEST(NcidSettings, ServerAddresses)
{
    const struct {
        std::u16string value;
        std::optional<Endpoint> endpoint;
    } cases[] = {
        {u"ncid.home:3333", Endpoint{"ncid.home", 3333}},
        {u"raspberrypi:3333", Endpoint{"raspberrypi", 3333}},
        {u"my-server_1.lan:1", Endpoint{"my-server_1.lan", 1}},
        {u"192.168.1.2:3333", Endpoint{"192.168.1.2", 3333}},
        {u"[fd00::2]:3333", Endpoint{"fd00::2", 3333}},
        {u" 127.0.0.1:3333 ", Endpoint{"127.0.0.1", 3333}},
        {u"3333", std::nullopt}, // a port needs a host to go with it
        {u"host", std::nullopt},
        {u"host:", std::nullopt},
        {u"host:0", std::nullopt},
        {u":3333", std::nullopt},
        {u"ho st:3333", std::nullopt},
        {u"サーバ:3333", std::nullopt},
        {u"host:3333:1", std::nullopt},
        {u".host:3333", std::nullopt},
        {u"a..b:3333", std::nullopt},
        {u"999.1.1.1:3333", std::nullopt}, // digits and dots that are no address
        {u"[fd00::2]", std::nullopt},
        {u"[host]:3333", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parseEndpoint(c.value), c.endpoint) << utf8(c.value);
}

TEST(NcidSettings, EveryRoleOffWithoutValues)
{
    const Settings none = parse({});
    EXPECT_FALSE(none.listen);
    EXPECT_FALSE(none.forward);
    EXPECT_FALSE(none.source);
    EXPECT_EQ(none.line, u"-");
    EXPECT_TRUE(none.unreadable.empty());
    // Blanks alone are empty too.
    EXPECT_TRUE(parse({u" ", u"\t", u" ", u" "}).unreadable.empty());
}

TEST(NcidSettings, AValueThatDoesNotReadLeavesOnlyItsRoleOff)
{
    const Settings s = parse({u"33x", u"居間", u"ncid:3333", u"nowhere"});
    EXPECT_FALSE(s.listen);
    EXPECT_EQ(s.line, u"居間");
    EXPECT_EQ(s.forward, (Endpoint{"ncid", 3333}));
    EXPECT_FALSE(s.source);
    EXPECT_EQ(s.unreadable, (std::vector<std::u16string>{u"LISTEN=33x", u"SOURCE=nowhere"}));
}

TEST(NcidSettings, LogEntries)
{
    EXPECT_EQ(unreadableEntry(u"LISTEN=33x"), u"NCIDの設定を読めません。LISTEN=33x");
    EXPECT_EQ(listenFailedEntry("127.0.0.1", 3333, "The address is protected"),
              u"NCIDの待ち受けを開けません。127.0.0.1:3333 The address is protected");
    EXPECT_EQ(listenFailedEntry("::1", 3333, "x"), u"NCIDの待ち受けを開けません。[::1]:3333 x");
}
