#include "link/ReplyParsers.h"

#include "TestText.h"
#include "text/Text.h"

#include <gtest/gtest.h>

using ReplyParsers::ParseCallingPartyReply;
using ReplyParsers::ParseNumberReply;

TEST(ParseCallingPartyReply, ReadsTheNumberOfTheCallingPartyLine)
{
    struct Case {
        const char *reply;
        const char *number;
    } cases[] = {
        {"AT\\L1\r\r\nRECEIVE CALLING PARTY = 0312345678/0001 1207\r\n\r\nOK\r\n", "0312345678"},
        {"AT\\L1\r\r\nRECEIVE CALLING PARTY = 0312345678 \r\nOK\r\n", "0312345678"},
        {"AT\\L1\r\r\nRECEIVE CALLING PARTY =  0312 / x\r\nOK\r\n", "0312"},
        {"RECEIVE CALLING PARTY = NONE/\r\nOK", "NONE"},
        // No "=" after the marker: the working text is the whole reply, so its first line.
        {" AT\\L1 \rRECEIVE CALLING PARTY 0312\r\nOK", "AT\\L1"},
        // An "=" before the marker does not count.
        {"X=1\r\nRECEIVE CALLING PARTY=0456\r\nOK", "0456"},
        // No CR after the number: the text runs to the end of the reply.
        {"RECEIVE CALLING PARTY = 0312345678", "0312345678"},
        {"AT\\L1\r\r\nOK\r\n", ""},
        {"", ""},
        {"receive calling party = 0312\r\nOK", ""},
    };
    for (const Case &c : cases) {
        std::u16string number = u"stale"s;
        ParseCallingPartyReply(Text::fromLatin1(c.reply), number);
        EXPECT_EQ(number, Text::fromLatin1(c.number)) << c.reply;
    }
}

TEST(ParseNumberReply, ReadsIndexAndNumberOfTheLastLineBeforeOk)
{
    struct Case {
        const char *reply;
        const char *number;
        std::int32_t index;
    } cases[] = {
        {"at$a\r\n012 0312345678/20261207\r\nOK\r\n", "0312345678", 12},
        {"at$a\r\n0120312345678/20261207\r\nOK\r\n", "0312345678", 12},
        {"at$a\r\n001 0311111111/a\r\n002 0322222222/b\r\nOK\r\n", "0322222222", 2},
        {"at$a\r\n012 0312345678/x\r\n\r\nOK\r\n", "NONE", -1},
        {"at$a\r\nNO DATA\r\nOK\r\n", "NONE", -1},
        {"at$a no line break", "NONE", -1},
        {"at$a\r\n012 P/20261207\r\nOK\r\n", "P", 12},
        {"at$a\r\n012 0312345678/x", "NONE", -1},             // no line end after the data line
        {"at$a\r\n012 0312345678/x\r\n", "0312345678", 12},   // ends without "OK"
        {"at$a\r\nabc 0312/x\r\nOK\r\n", "0312", -1},         // index is not a number
        {"at$a\r\n99999999999 0312/x\r\nOK\r\n", "0312", -1}, // beyond 32 bits
        {"at$a\r\n 0312/x\r\nOK\r\n", "0312", -1},            // blank first: empty index
        {"at$a\r\n12/x\r\nOK\r\n", "", 12},                   // shorter than the three index digits
    };
    for (const Case &c : cases) {
        std::u16string number;
        bool changed = false;
        std::int32_t last = -2;
        ParseNumberReply(Text::fromLatin1(c.reply), number, changed, last);
        EXPECT_EQ(number, Text::fromLatin1(c.number)) << c.reply;
        EXPECT_EQ(last, c.index) << c.reply;
        EXPECT_TRUE(changed) << c.reply;
    }
}

TEST(ParseNumberReply, ChangedOnlyWhenTheCallIndexMoves)
{
    const std::u16string first = u"at$a\r\n012 0312345678/x\r\nOK\r\n"s;
    const std::u16string next = u"at$a\r\n013 0312345678/x\r\nOK\r\n"s;
    const std::u16string none = u"at$a\r\nNO DATA\r\nOK\r\n"s;
    std::int32_t last = -2;
    std::u16string number;
    bool changed = false;

    ParseNumberReply(none, number, changed, last);
    EXPECT_TRUE(changed) << "-1 differs from the start value -2";
    ParseNumberReply(none, number, changed, last);
    EXPECT_FALSE(changed);
    ParseNumberReply(first, number, changed, last);
    EXPECT_TRUE(changed);
    ParseNumberReply(first, number, changed, last);
    EXPECT_FALSE(changed);
    EXPECT_EQ(last, 12);
    ParseNumberReply(next, number, changed, last);
    EXPECT_TRUE(changed);
    EXPECT_EQ(last, 13);
}

TEST(ParseNumberReply, AReplyOfManyLinesGivesItsLastDataLine)
{
    // 35,000 empty lines between the echo and the data line, as a noisy line
    // may deliver: the walk over the lines must neither lose its place nor
    // copy the rest of the reply for each of them.
    const std::u16string reply = u"at$a"s + repeated(u"\r\n", 35000) + u"012 0312/x\r\nOK\r\n"s;
    std::u16string number;
    bool changed = false;
    std::int32_t last = -2;
    ParseNumberReply(reply, number, changed, last);
    EXPECT_EQ(number, u"0312"s);
    EXPECT_EQ(last, 12);
}
