// Recording a number from the device: title, colour, tooltip and history.
#include "ControllerRig.h"
#include "calls/CallDisplay.h"

#include <csignal>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

#ifndef _WIN32
// A disk that fills up after `bytes` more bytes of the file: a write takes
// what fits and fails, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        const rlimit limit{bytes, m_saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_signal);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_saved{};
    void (*m_signal)(int) = nullptr;
};
#endif

struct Recording : ControllerRig {
    DiagnosticLog log{folder.path(), p.clock};
    HistoryFile history{folder.path(), p.clock, log};
    CallRecorder recorder{s, p.view, p.tray, history};

    int record(std::u16string number, bool changed = false)
    {
        std::int16_t result = -9;
        recorder.RecordCall(number, changed, result);
        lastNumberArgument = number;
        return result;
    }
    std::u16string historyText() const { return folder.readText(u"着信履歴.TXT"s); }
    std::u16string lastNumberArgument;
};

} // namespace

TEST(RecordCall, FirstAnswerIsShownButNotWritten)
{
    Recording r;
    EXPECT_EQ(r.record(u"0312345678"s), 1);
    EXPECT_TRUE(r.s.BaselineRead);
    EXPECT_EQ(r.p.view.m_title, u"0312345678"s);
    EXPECT_EQ(r.p.view.m_color, CallRecorder::NumberColor);
    EXPECT_FALSE(r.folder.exists(u"着信履歴.TXT"s));

    EXPECT_EQ(r.record(u"0312345678"s), 0) << "the same number again";
    EXPECT_EQ(r.record(u"0451112222"s), 1);
    EXPECT_EQ(r.record(u"0451112222"s, true), 1) << "a new call index";
    EXPECT_EQ(r.historyText(), u"2026/12/07,09:05:03,0451112222\r\n"
                               "2026/12/07,09:05:03,0451112222\r\n"s);
}

TEST(RecordCall, AnythingButANumberIsTheWithheldMark)
{
    for (const char *text : {"NONE", "", "abc", "P", "03-1234", "0312/x"}) {
        Recording r;
        r.s.BaselineRead = true;
        EXPECT_EQ(r.record(Text::fromLatin1(text)), 1) << text;
        EXPECT_EQ(r.lastNumberArgument, WithheldMark) << "the caller's variable changes too";
        EXPECT_EQ(r.s.LastNumber, WithheldMark);
        EXPECT_EQ(r.p.view.m_title, u"非通知"s);
        EXPECT_EQ(r.p.view.m_color, CallRecorder::WithheldColor);
        EXPECT_EQ(r.historyText(), u"2026/12/07,09:05:03,99999999999\r\n"s);
        EXPECT_EQ(r.record(u"NONE"s), 0) << "two withheld calls look like one";
    }
}

TEST(RecordCall, BlanksAroundANumberAreKept)
{
    Recording r;
    r.s.BaselineRead = true;
    EXPECT_EQ(r.record(u" 0312345678 "s), 1);
    EXPECT_EQ(r.s.LastNumber, u" 0312345678 "s);
    EXPECT_EQ(r.historyText(), u"2026/12/07,09:05:03, 0312345678 \r\n"s);
}

TEST(RecordCall, ColourBeforeTitleThenTheTooltip)
{
    Recording r;
    r.record(u"0312345678"s);
    EXPECT_EQ(r.p.view.m_events, (std::vector<std::u16string>{u"color:ff"s, u"title:0312345678"s}));
    ASSERT_EQ(r.p.tray.m_calls.size(), 1u);
    EXPECT_EQ(r.p.tray.m_calls[0].message, NotifyMessage::NIM_MODIFY);
    EXPECT_EQ(r.p.tray.m_calls[0].data.szTip, u"0312345678"s + char16_t(u'\0'));
}

TEST(RecordCall, HistorySwitchedOffWritesNothing)
{
    Recording r;
    r.s.HistTxt = 1;
    r.s.BaselineRead = true;
    EXPECT_EQ(r.record(u"0312345678"s), 1);
    EXPECT_EQ(r.p.view.m_title, u"0312345678"s);
    EXPECT_FALSE(r.folder.exists(u"着信履歴.TXT"s));
}

TEST(WriteHistory, LineThatCannotBeWrittenIsKeptAndLoggedOncePerStreak)
{
    Recording r;
    const std::u16string path = r.folder.file(u"着信履歴.TXT"s);
    ASSERT_TRUE(makeFolder(path)); // a folder in the file's place: every append fails
    r.history.WriteHistory(u" /着信履歴.TXT "s, u"0311111111"s);
    r.p.clock.m_now.minute += 1;
    r.history.WriteHistory(u"/着信履歴.TXT"s, u"0322222222"s);
    const std::u16string log = r.folder.readText(u"Nubrel.log"s);
    EXPECT_EQ(countOf(log, u"\r\n"s), 1) << utf8(log);
    EXPECT_TRUE(contains(log, u"着信履歴"s));

    ASSERT_TRUE(removeFolder(path));
    r.p.clock.m_now.minute += 1;
    r.history.WriteHistory(u"/着信履歴.TXT"s, u"0333333333"s);
    EXPECT_EQ(r.historyText(), u"2026/12/07,09:05:03,0311111111\r\n"
                               "2026/12/07,09:06:03,0322222222\r\n"
                               "2026/12/07,09:07:03,0333333333\r\n"s);
    EXPECT_TRUE(r.history.pending().empty());

    ASSERT_TRUE(removeFile(path));
    ASSERT_TRUE(makeFolder(path));
    r.history.WriteHistory(u"/着信履歴.TXT"s, u"0344444444"s);
    EXPECT_EQ(countOf(r.folder.readText(u"Nubrel.log"s), u"\r\n"s), 2)
        << "a new streak is logged again";

    // The program ends with a line still kept: one more try.
    EXPECT_FALSE(r.history.WritePending(u"/着信履歴.TXT"s));
    ASSERT_TRUE(removeFolder(path));
    EXPECT_TRUE(r.history.WritePending(u"/着信履歴.TXT"s));
    EXPECT_EQ(r.historyText(), u"2026/12/07,09:07:03,0344444444\r\n"s);
    EXPECT_TRUE(r.history.pending().empty());
}

#ifndef _WIN32
// A full disk made with RLIMIT_FSIZE: POSIX only.
TEST(WriteHistory, ALineCutShortByAFullDiskLeavesNoFragment)
{
    const std::string first = "2026/12/07,09:05:03,0311111111\r\n";
    for (const bool existed : {false, true}) {
        Recording r;
        const std::string before = existed ? first : std::string();
        if (existed)
            r.folder.writeBytes(u"着信履歴.TXT"s, before);
        {
            FileSizeLimit full(static_cast<rlim_t>(before.size() + 12));
            r.history.WriteHistory(u"/着信履歴.TXT"s, u"0322222222"s);
        }
        EXPECT_EQ(r.folder.exists(u"着信履歴.TXT"s) ? r.folder.readBytes(u"着信履歴.TXT"s) : "",
                  before)
            << "existed: " << existed;
        r.p.clock.m_now.minute += 1;
        r.history.WriteHistory(u"/着信履歴.TXT"s, u"0333333333"s);
        EXPECT_EQ(r.folder.readBytes(u"着信履歴.TXT"s), before +
                                                            "2026/12/07,09:05:03,0322222222\r\n"
                                                            "2026/12/07,09:06:03,0333333333\r\n")
            << "existed: " << existed;
    }
}
#endif

TEST(WriteLog, LineLayoutAndBytes)
{
    FakeClock clock;
    ProgramFolder folder;
    DiagnosticLog log(folder.path(), clock);
    EXPECT_TRUE(log.WriteLog(u" /Nubrel.log "s, u"Nubrel"s, u"ｴﾗｰ番号[2]x"s));
    EXPECT_TRUE(
        log.WriteLog(u"/Nubrel.log"s, u"ABCDEFGHIJKLMN"s, u"iTry=[3]lcnt=[10001]F=[a\r\nb]"s));
    EXPECT_EQ(folder.readBytes(u"Nubrel.log"s),
              std::string("2026/12/07 09:05:03 Nubrel     [\xB4\xD7\xB0\x94\xD4\x8D\x86[2]x]\r\n"
                          "2026/12/07 09:05:03 ABCDEFGHIJ [iTry=[3]lcnt=[10001]F=[a\r\nb]]\r\n"));

    const std::u16string blocked = folder.file(u"blocked"s);
    makeFolder(blocked);
    DiagnosticLog nowhere(blocked, clock);
    makeFolder(blocked + u"/Nubrel.log"s);
    EXPECT_FALSE(nowhere.WriteLog(u"/Nubrel.log"s, u"Nubrel"s, u"x"s));
}

TEST(CallDisplay, TextsAndPopUpPlacement)
{
    EXPECT_EQ(CallDisplay::mainWindowText(std::u16string()), u" ＴＥＬ．"s);
    EXPECT_EQ(CallDisplay::mainWindowText(u"0312"s), u" ＴＥＬ．0312"s);
    EXPECT_EQ(CallDisplay::mainWindowText(WithheldMark), u" ＴＥＬ．非通知"s);
    EXPECT_EQ(CallDisplay::tipText(std::u16string()), std::u16string());
    EXPECT_EQ(CallDisplay::tipText(u"0312"s), u" 0312"s);
    EXPECT_EQ(CallDisplay::tipText(WithheldMark), u"非通知"s);

    const auto at = CallDisplay::tipPlacement(19200, 14400, 1230, 240);
    EXPECT_EQ(at.left, 17870);
    EXPECT_EQ(at.top, 13680);
}
