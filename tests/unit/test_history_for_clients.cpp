// The history an NCID client gets when it connects, from the program's own
// 着信履歴.TXT: each state of the file, and a file grown over years.
#include "ProgramFolder.h"
#include "ncid/NcidHistoryLog.h"
#include "phonebook/Phonebook.h"

#include <gtest/gtest.h>

namespace {

std::string served(const NcidHistoryLog &log)
{
    std::u16string text;
    const NcidText::History state = log.history(text);
    return NcidText::callLog(state, text, u"-",
                             [&log](const std::u16string &n) { return log.nameFor(n); });
}

} // namespace

TEST(HistoryForClients, EachStateOfTheFile)
{
    const struct {
        std::int16_t histTxt;
        const char *file; // nullptr: no file
        std::string expected;
    } cases[] = {
        {1, "2026/12/01,09:30:00,0312345678\r\n", "251 Call log not sent\r\n"},
        {0, nullptr, "253 No Call log\r\n"},
        {0, "", "252 Call log empty\r\n"},
        {0, "2026/12/01,09:30:00,0312345678\r\n2026/12/02,10:00:00,99999999999\r\n",
         "CIDLOG: *DATE*12012026*TIME*0930*LINE*-*NMBR*0312345678*MESG*NONE*NAME*"
         "\xE5\xB1\xB1\xE7\x94\xB0*\r\n"
         "CIDLOG: *DATE*12022026*TIME*1000*LINE*-*NMBR*PRIVATE*MESG*NONE*NAME*"
         "\xE9\x9D\x9E\xE9\x80\x9A\xE7\x9F\xA5*\r\n"
         "250 End of call log\r\n"},
    };
    for (const auto &c : cases) {
        ProgramFolder folder;
        folder.writeBytes(u"電話帳.csv", "0312345678,\x8E\x52\x93\x63\r\n"); // 山田 in CP932
        if (c.file)
            folder.writeBytes(u"着信履歴.TXT", c.file);
        Phonebook phonebook(folder.path());
        ProgramState state;
        state.HistTxt = c.histTxt;
        const NcidHistoryLog log(folder.path(), state, phonebook);
        EXPECT_EQ(served(log), c.expected) << (c.file ? c.file : "(no file)");
    }
}

// Years of calls, more than the end of the file that is read: the newest calls
// that fit in the budget are served, each whole.
TEST(HistoryForClients, ALongHistoryServesItsNewestCallsWhole)
{
    ProgramFolder folder;
    std::string lines;
    for (int i = 0; i < 20000; ++i)
        lines += "2026/12/01,09:30:00,03" + std::to_string(10000000 + i) + "\r\n";
    ASSERT_GT(lines.size(), NcidHistoryLog::TailBytes);
    folder.writeBytes(u"着信履歴.TXT", lines);
    Phonebook phonebook(folder.path());
    const ProgramState state;
    const NcidHistoryLog log(folder.path(), state, phonebook);

    const std::string log_ = served(log);
    ASSERT_TRUE(
        log_.ends_with("NMBR*0310019999*MESG*NONE*NAME*NO NAME*\r\n250 End of call log\r\n"));
    std::size_t count = 0;
    for (std::size_t at = 0; (at = log_.find("CIDLOG: *DATE*12012026*TIME*0930*LINE*-*NMBR*03",
                                             at)) != std::string::npos;
         ++at)
        ++count;
    const std::size_t lineBytes = std::string_view("CIDLOG: *DATE*12012026*TIME*0930*LINE*-*NMBR*"
                                                   "0310019999*MESG*NONE*NAME*NO NAME*\r\n")
                                      .size();
    EXPECT_EQ(count, NcidText::CallLogBudget / lineBytes);
    EXPECT_EQ(log_.size(), count * lineBytes + std::string_view("250 End of call log\r\n").size());
}
