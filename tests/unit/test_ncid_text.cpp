// The NCID lines Nubrel builds and reads, byte for byte.
#include "ncid/NcidText.h"

#include <gtest/gtest.h>

#include <map>

using namespace NcidText;

namespace {

std::string utf8(std::u16string_view text)
{
    return toUtf8(text);
}

const CallTime Morning{2026, 1, 2, 3, 4};

} // namespace

TEST(NcidText, BannerNamesTheServerAndTheApi)
{
    EXPECT_EQ(banner("1.6.0"), "200 Server: Nubrel 1.6.0\r\n210 API: 1.0 Feature Set 1\r\n");
}

TEST(NcidText, CallLinesOfEachRole)
{
    const struct {
        Call call;
        std::u16string label;
        std::string cid;
        std::string call_;
    } cases[] = {
        {{Morning, u"0312345678", u"山田太郎"},
         u"-",
         "CID: *DATE*01022026*TIME*0304*LINE*-*NMBR*0312345678*MESG*NONE*NAME*" +
             utf8(u"山田太郎") + "*\r\n",
         "CALL: ###DATE01020304...CALLIN...LINE-...NMBR0312345678...NAME" + utf8(u"山田太郎") +
             "+++\r\n"},
        // The withheld mark, whatever name came with it.
        {{{2026, 12, 31, 23, 59}, u"99999999999", u"x"},
         u"HOME",
         "CID: *DATE*12312026*TIME*2359*LINE*HOME*NMBR*PRIVATE*MESG*NONE*NAME*" + utf8(u"非通知") +
             "*\r\n",
         "CALL: ###DATE12312359...CALLIN...LINEHOME...NMBRPRIVATE...NAME" + utf8(u"非通知") +
             "+++\r\n"},
        // No name known; an empty label is the default one.
        {{Morning, u"09011112222", u""},
         u"",
         "CID: *DATE*01022026*TIME*0304*LINE*-*NMBR*09011112222*MESG*NONE*NAME*NO NAME*\r\n",
         "CALL: ###DATE01020304...CALLIN...LINE-...NMBR09011112222...NAMENO NAME+++\r\n"},
        // '*', CR and LF would end a field or the line: they are taken out.
        {{Morning, u" 0312345678 ", u"A*B\r\nC"},
         u"L*1\n",
         "CID: *DATE*01022026*TIME*0304*LINE*L1*NMBR*0312345678*MESG*NONE*NAME*ABC*\r\n",
         "CALL: ###DATE01020304...CALLIN...LINEL1...NMBR0312345678...NAMEABC+++\r\n"},
        // A name of nothing but those is no name; a label of them the default.
        {{Morning, u"0312345678", u"**"},
         u"*",
         "CID: *DATE*01022026*TIME*0304*LINE*-*NMBR*0312345678*MESG*NONE*NAME*NO NAME*\r\n",
         "CALL: ###DATE01020304...CALLIN...LINE-...NMBR0312345678...NAMENO NAME+++\r\n"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(cidLine(c.call, c.label), c.cid);
        EXPECT_EQ(cidLogLine(c.call, c.label), "CIDLOG: " + c.cid.substr(5));
        EXPECT_EQ(callLine(c.call, c.label), c.call_);
    }
}

TEST(NcidText, GatewayFieldsSurviveAServerThatSearchesTheWholeLine)
{
    const std::u16string kanji17(17, u'電'); // 51 bytes of UTF-8
    const struct {
        std::u16string label;
        std::u16string name;
        std::string line;
        std::string nameField;
    } cases[] = {
        // '.' would end LINE and '+' would end NAME: their full-width forms.
        {u"2.F", u"A+B.C", "2" + utf8(u"．") + "F", "A" + utf8(u"＋") + "B.C"},
        // A word that would make the call outgoing, hung up, blocked or a
        // smartphone's, anywhere in the line.
        {u"CALLOUT", u"MYCALLHUP CALLBLKCALLPID", "CALL OUT", "MYCALL HUP CALL BLKCALL PID"},
        // LINE comes first: a label inside it would be found before the real one.
        {u"NMBRNAME", u"NMBR NAME", "NM BRNA ME", "NMBR NAME"},
        // Cut at 49 bytes, between characters: 16 kanji are 48 bytes.
        {kanji17, kanji17, utf8(kanji17.substr(0, 16)), utf8(kanji17.substr(0, 16))},
        {std::u16string(60, u'x'), u"y", std::string(49, 'x'), "y"},
        // Nothing left is the default.
        {u"", u"", "-", "NO NAME"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(gatewayLineField(c.label), c.line);
        EXPECT_EQ(gatewayNameField(u"0312345678", c.name), c.nameField);
        EXPECT_EQ(callLine({Morning, u"0312345678", c.name}, c.label),
                  "CALL: ###DATE01020304...CALLIN...LINE" + c.line + "...NMBR0312345678...NAME" +
                      c.nameField + "+++\r\n");
    }
    // The CID line to clients keeps the name as it is.
    EXPECT_NE(cidLine({Morning, u"0312345678", u"A+B CALLOUT"}, u"2.F").find("A+B CALLOUT"),
              std::string::npos);
}

TEST(NcidText, AGatewaysCallComesBackWithItsDateAndTime)
{
    const CallTime when{2026, 12, 8, 15, 30};
    for (const std::string_view line :
         {"CID: *DATE*12082026*TIME*1530*LINE*-*NMBR*0312345678*MESG*NONE*NAME*x*",
          "CID: *TIME*1530*NMBR*alias*DATE*12082025*", "HUP: *DATE*12082026*TIME*1530*NMBR*1*"})
        EXPECT_TRUE(isEchoOf(line, when)) << line;
    // Another minute or day, the start-up's call log, a line of no call.
    for (const std::string_view line :
         {"CID: *DATE*12082026*TIME*1531*", "CID: *DATE*12092026*TIME*1530*",
          "CIDLOG: *DATE*12082026*TIME*1530*", "CID: *DATE*12082026*", "ACK: REQ: YO", "",
          "x: *DATE*12082026*TIME*1530*"})
        EXPECT_FALSE(isEchoOf(line, when)) << line;
}

TEST(NcidText, ClientLinesTheServerActsOn)
{
    EXPECT_TRUE(isMessage("MSG: dinner"));
    EXPECT_FALSE(isMessage("MSG dinner"));
    EXPECT_TRUE(isGoodbye("GOODBYE"));
    EXPECT_FALSE(isGoodbye("GOODBYE now"));
    EXPECT_EQ(tooManyClients(), "MSG: Too many clients connected: 25\r\n");
    // A server's message as the log takes it.
    EXPECT_EQ(messageText("MSG: " + utf8(u"ごはん\tです")), u"ごはんです");
    EXPECT_EQ(messageText("MSG:x"), u"x");
    EXPECT_EQ(messageText("CID: *NMBR*1*"), std::nullopt);
    const std::u16string longText = messageText("MSG: " + std::string(300, 'a')).value();
    EXPECT_EQ(longText.size(), 200u);
    // Not cut between the halves of a pair.
    std::u16string phones;
    for (int i = 0; i < 150; ++i)
        phones += u"\U0001F4DE";
    const std::u16string cut = messageText("MSG: a" + utf8(phones)).value();
    EXPECT_EQ(cut, u"a" + phones.substr(0, 198));
}

TEST(NcidText, NumberFieldIsTheDigitsOrPrivate)
{
    const std::map<std::u16string, std::string> cases = {
        {u"0312345678", "0312345678"},
        {u"99999999999", "PRIVATE"},
        {u" 03 1234 ", "031234"},
        {u"+81312345678", "81312345678"},
        {u"", "PRIVATE"},
        {u"NONE", "PRIVATE"},
        {u"999999999999", "999999999999"},
    };
    for (const auto &[number, field] : cases)
        EXPECT_EQ(numberField(number), field) << utf8(number);
}

TEST(NcidText, OnlyReqYoIsAnswered)
{
    EXPECT_EQ(answerTo("REQ: YO"), std::optional<std::string_view>("ACK: REQ: YO\r\n"));
    for (const std::string_view line : {"", "REQ: YO ", "req: yo", "REQ:YO", "REQ: YO?", "HELLO"})
        EXPECT_FALSE(answerTo(line)) << line;
}

TEST(NcidText, HistoryLinesReadAsCalls)
{
    const auto call = historyCall(u"2026/12/08,15:12:08, 0312345678 ");
    ASSERT_TRUE(call);
    EXPECT_EQ(call->when, (CallTime{2026, 12, 8, 15, 12}));
    EXPECT_EQ(call->number, u" 0312345678 ");
    for (const std::u16string_view line :
         {u"", u"2026/12/08,15:12:08,", u"2026/12/08 15:12:08,0312", u"2026-12-08,15:12:08,0312",
          u"26/12/08,15:12:08,0312", u"2026/12/0x,15:12:08,0312", u"2026/12/08,15:12,0312",
          u"ＡＢＣ"})
        EXPECT_FALSE(historyCall(line)) << utf8(line);
}

TEST(NcidText, CallLogStatesOtherThanLines)
{
    const NameLookup none;
    EXPECT_EQ(callLog(History::Off, u"2026/12/08,15:12:08,0312\r\n", u"-", none),
              "251 Call log not sent\r\n");
    EXPECT_EQ(callLog(History::Missing, u"", u"-", none), "253 No Call log\r\n");
    EXPECT_EQ(callLog(History::Present, u"", u"-", none), "252 Call log empty\r\n");
    // A file with nothing that reads as a call has none to send.
    EXPECT_EQ(callLog(History::Present, u"\r\n\r\njunk\r\n", u"-", none), "252 Call log empty\r\n");
}

TEST(NcidText, CallLogLinesOldestFirstWithNamesFromThePhonebook)
{
    std::vector<std::u16string> asked;
    const NameLookup nameFor = [&asked](const std::u16string &number) {
        asked.push_back(number);
        return number == u"0312345678" ? std::u16string(u"山田") : std::u16string();
    };
    // Line ends as written (CR LF), as an editor may leave them (LF), and none
    // after the last line; a stray line between.
    const std::u16string text = u"2026/01/02,03:04:05,0312345678\r\n"
                                u"broken\n"
                                u"2026/01/03,10:20:30,99999999999\n"
                                u"2026/01/04,23:59:59,0459998888";
    EXPECT_EQ(callLog(History::Present, text, u"L", nameFor),
              "CIDLOG: *DATE*01022026*TIME*0304*LINE*L*NMBR*0312345678*MESG*NONE*NAME*" +
                  utf8(u"山田") +
                  "*\r\n"
                  "CIDLOG: *DATE*01032026*TIME*1020*LINE*L*NMBR*PRIVATE*MESG*NONE*NAME*" +
                  utf8(u"非通知") +
                  "*\r\n"
                  "CIDLOG: *DATE*01042026*TIME*2359*LINE*L*NMBR*0459998888*MESG*NONE*NAME*"
                  "NO NAME*\r\n"
                  "250 End of call log\r\n");
    // The withheld mark never asks the phonebook.
    EXPECT_EQ(asked, (std::vector<std::u16string>{u"0459998888", u"0312345678"}));
}

TEST(NcidText, CallLogSendsTheNewestLinesThatFit)
{
    // Lines of one length: the budget holds a known number of them.
    std::u16string text;
    const int lines = 3000;
    for (int i = 0; i < lines; ++i) {
        std::u16string number = u"03" + std::u16string(8, u'0');
        const std::string digits = std::to_string(i);
        for (std::size_t d = 0; d < digits.size(); ++d)
            number[number.size() - digits.size() + d] = static_cast<char16_t>(digits[d]);
        text += u"2026/01/02,03:04:05," + number + u"\r\n";
    }
    const std::string one = cidLogLine({Morning, u"0300000000", u""}, u"-");
    const std::size_t fit = CallLogBudget / one.size();
    ASSERT_LT(fit, static_cast<std::size_t>(lines));

    const std::string log = callLog(History::Present, text, u"-", {});
    ASSERT_TRUE(log.ends_with("250 End of call log\r\n"));
    const std::string sent = log.substr(0, log.size() - EndOfCallLog.size());
    EXPECT_EQ(sent.size(), fit * one.size());
    EXPECT_LE(sent.size(), CallLogBudget);
    // The oldest of those sent comes first, the newest call last.
    EXPECT_TRUE(sent.starts_with("CIDLOG: *DATE*01022026*TIME*0304*LINE*-*NMBR*03" +
                                 std::string(8 - std::to_string(lines - fit).size(), '0') +
                                 std::to_string(lines - fit) + "*"));
    EXPECT_TRUE(sent.ends_with("*NMBR*0300002999*MESG*NONE*NAME*NO NAME*\r\n"));
}

TEST(NcidText, EndOfStartupIsThe300Line)
{
    for (const std::string_view line : {"300 End of connection startup", "300", "300 "})
        EXPECT_TRUE(isEndOfStartup(line)) << line;
    for (const std::string_view line :
         {"", "30", "3000 x", "250 End of call log", " 300", "CID: *NMBR*300*"})
        EXPECT_FALSE(isEndOfStartup(line)) << line;
}

TEST(NcidText, CidLinesReadByTheirLabels)
{
    const std::u16string withheld(WithheldMark);
    const struct {
        std::string line;
        std::optional<ReceivedCall> call;
    } cases[] = {
        {"CID: *DATE*12082026*TIME*1512*LINE*-*NMBR*0312345678*MESG*NONE*NAME*" +
             utf8(u"山田太郎") + "*",
         ReceivedCall{u"0312345678", u"山田太郎"}},
        // Any order, other fields, no trailing '*'.
        {"CID: *NAME*Bob*FOO*bar*NMBR*0312345678", ReceivedCall{u"0312345678", u"Bob"}},
        {"CID:*NMBR*0312345678*", ReceivedCall{u"0312345678", u""}},
        // NO NAME and an empty NAME are no name.
        {"CID: *NMBR*0312345678*NAME*NO NAME*", ReceivedCall{u"0312345678", u""}},
        {"CID: *NMBR*0312345678*NAME**", ReceivedCall{u"0312345678", u""}},
        {"CID: *NMBR*0312345678*NAME* NO NAME *", ReceivedCall{u"0312345678", u""}},
        // A value that looks like a label is still a value.
        {"CID: *NAME*NMBR*NMBR*0312345678*", ReceivedCall{u"0312345678", u"NMBR"}},
        {"CID: *LINE*NAME*NMBR*0312345678*NAME*Al*", ReceivedCall{u"0312345678", u"Al"}},
        // The first of a label given twice.
        {"CID: *NMBR*0311112222*NMBR*0333334444*", ReceivedCall{u"0311112222", u""}},
        // Numbers without a digit are withheld, and a withheld call has no name.
        {"CID: *NMBR*PRIVATE*NAME*Someone*", ReceivedCall{withheld, u""}},
        {"CID: *NMBR*OUT-OF-AREA*", ReceivedCall{withheld, u""}},
        {"CID: *NMBR*ANONYMOUS*", ReceivedCall{withheld, u""}},
        {"CID: *NMBR*NO NUMBER*", ReceivedCall{withheld, u""}},
        {"CID: *NMBR*-*", ReceivedCall{withheld, u""}},
        {"CID: *NMBR**", ReceivedCall{withheld, u""}},
        // Reduced to digits; the country prefix becomes the trunk 0.
        {"CID: *NMBR*+81-3-1234-5678*", ReceivedCall{u"0312345678", u""}},
        {"CID: *NMBR*81312345678*", ReceivedCall{u"0312345678", u""}},
        {"CID: *NMBR*+81 (0)3 1234 5678*", ReceivedCall{u"0312345678", u""}},
        {"CID: *NMBR*" + utf8(u"０３１２") + "*", ReceivedCall{u"0312", u""}},
        // A name shown on one line; bytes that are not UTF-8 stand replaced.
        {"CID: *NMBR*0312*NAME* A\tB \x01*", ReceivedCall{u"0312", u"A B"}},
        {"CID: *NMBR*0312*NAME*\xff\xfeok*", ReceivedCall{u"0312", u"\uFFFD\uFFFDok"}},
        // Not calls.
        {"CID: *DATE*12082026*NAME*Bob*", std::nullopt},
        {"CID: no fields", std::nullopt},
        {"CIDLOG: *NMBR*0312345678*", std::nullopt},
        {"CIDINFO: *LINE*-*RING*1*", std::nullopt},
        {"cid: *NMBR*0312345678*", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parseCid(c.line), c.call) << c.line;
}

TEST(NcidText, Utf8BothWays)
{
    const std::u16string text = u"非通知 A \U0001F4DE";
    EXPECT_EQ(fromUtf8(toUtf8(text)), text);
    EXPECT_EQ(toUtf8(u"\xD800x"), "?x"); // a lone surrogate
    // Overlong, surrogate and cut-short forms each stand replaced.
    EXPECT_EQ(fromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(fromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(fromUtf8("a\xE3\x81"), u"a\uFFFD\uFFFD");
}
