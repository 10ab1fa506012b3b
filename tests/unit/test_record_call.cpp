// Recording a number from the device: title, colour, tooltip and history.
#include "ControllerRig.h"
#include "calls/CallDisplay.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

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

struct Recording : ControllerRig {
    DiagnosticLog log{folder.path(), p.clock};
    HistoryFile history{folder.path(), p.clock, log};
    CallRecorder recorder{s, p.view, p.tray, history};

    int record(QString number, bool changed = false)
    {
        std::int16_t result = -9;
        recorder.RecordCall(number, changed, result);
        lastNumberArgument = number;
        return result;
    }
    QString historyText() const { return folder.readText(QStringLiteral("着信履歴.TXT")); }
    QString lastNumberArgument;
};

} // namespace

TEST(RecordCall, FirstAnswerIsShownButNotWritten)
{
    Recording r;
    EXPECT_EQ(r.record(QStringLiteral("0312345678")), 1);
    EXPECT_TRUE(r.s.BaselineRead);
    EXPECT_EQ(r.p.view.m_title, QStringLiteral("0312345678"));
    EXPECT_EQ(r.p.view.m_color, CallRecorder::NumberColor);
    EXPECT_FALSE(r.folder.exists(QStringLiteral("着信履歴.TXT")));

    EXPECT_EQ(r.record(QStringLiteral("0312345678")), 0) << "the same number again";
    EXPECT_EQ(r.record(QStringLiteral("0451112222")), 1);
    EXPECT_EQ(r.record(QStringLiteral("0451112222"), true), 1) << "a new call index";
    EXPECT_EQ(r.historyText(), QStringLiteral("2026/12/07,09:05:03,0451112222\r\n"
                                              "2026/12/07,09:05:03,0451112222\r\n"));
}

TEST(RecordCall, AnythingButANumberIsTheWithheldMark)
{
    for (const char *text : {"NONE", "", "abc", "P", "03-1234", "0312/x"}) {
        Recording r;
        r.s.BaselineRead = true;
        EXPECT_EQ(r.record(QString::fromLatin1(text)), 1) << text;
        EXPECT_EQ(r.lastNumberArgument, WithheldMark) << "the caller's variable changes too";
        EXPECT_EQ(r.s.LastNumber, WithheldMark);
        EXPECT_EQ(r.p.view.m_title, QStringLiteral("非通知"));
        EXPECT_EQ(r.p.view.m_color, CallRecorder::WithheldColor);
        EXPECT_EQ(r.historyText(), QStringLiteral("2026/12/07,09:05:03,99999999999\r\n"));
        EXPECT_EQ(r.record(QStringLiteral("NONE")), 0) << "two withheld calls look like one";
    }
}

TEST(RecordCall, BlanksAroundANumberAreKept)
{
    Recording r;
    r.s.BaselineRead = true;
    EXPECT_EQ(r.record(QStringLiteral(" 0312345678 ")), 1);
    EXPECT_EQ(r.s.LastNumber, QStringLiteral(" 0312345678 "));
    EXPECT_EQ(r.historyText(), QStringLiteral("2026/12/07,09:05:03, 0312345678 \r\n"));
}

TEST(RecordCall, ColourBeforeTitleThenTheTooltip)
{
    Recording r;
    r.record(QStringLiteral("0312345678"));
    EXPECT_EQ(r.p.view.m_events,
              (QStringList{QStringLiteral("color:ff"), QStringLiteral("title:0312345678")}));
    ASSERT_EQ(r.p.tray.m_calls.size(), 1u);
    EXPECT_EQ(r.p.tray.m_calls[0].message, NotifyMessage::NIM_MODIFY);
    EXPECT_EQ(r.p.tray.m_calls[0].data.szTip, QStringLiteral("0312345678") + QChar(u'\0'));
}

TEST(RecordCall, HistorySwitchedOffWritesNothing)
{
    Recording r;
    r.s.HistTxt = 1;
    r.s.BaselineRead = true;
    EXPECT_EQ(r.record(QStringLiteral("0312345678")), 1);
    EXPECT_EQ(r.p.view.m_title, QStringLiteral("0312345678"));
    EXPECT_FALSE(r.folder.exists(QStringLiteral("着信履歴.TXT")));
}

TEST(WriteHistory, LineThatCannotBeWrittenIsKeptAndLoggedOncePerStreak)
{
    Recording r;
    const QString path = r.folder.file(QStringLiteral("着信履歴.TXT"));
    ASSERT_TRUE(QDir().mkdir(path)); // a folder in the file's place: every append fails
    r.history.WriteHistory(QStringLiteral(" /着信履歴.TXT "), QStringLiteral("0311111111"));
    r.p.clock.m_now = r.p.clock.m_now.addSecs(60);
    r.history.WriteHistory(QStringLiteral("/着信履歴.TXT"), QStringLiteral("0322222222"));
    const QString log = r.folder.readText(QStringLiteral("Nubrel.log"));
    EXPECT_EQ(log.count(QStringLiteral("\r\n")), 1) << qPrintable(log);
    EXPECT_TRUE(log.contains(QStringLiteral("着信履歴")));

    ASSERT_TRUE(QDir().rmdir(path));
    r.p.clock.m_now = r.p.clock.m_now.addSecs(60);
    r.history.WriteHistory(QStringLiteral("/着信履歴.TXT"), QStringLiteral("0333333333"));
    EXPECT_EQ(r.historyText(), QStringLiteral("2026/12/07,09:05:03,0311111111\r\n"
                                              "2026/12/07,09:06:03,0322222222\r\n"
                                              "2026/12/07,09:07:03,0333333333\r\n"));
    EXPECT_TRUE(r.history.pending().isEmpty());

    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkdir(path));
    r.history.WriteHistory(QStringLiteral("/着信履歴.TXT"), QStringLiteral("0344444444"));
    EXPECT_EQ(r.folder.readText(QStringLiteral("Nubrel.log")).count(QStringLiteral("\r\n")), 2)
        << "a new streak is logged again";

    // The program ends with a line still kept: one more try.
    EXPECT_FALSE(r.history.WritePending(QStringLiteral("/着信履歴.TXT")));
    ASSERT_TRUE(QDir().rmdir(path));
    EXPECT_TRUE(r.history.WritePending(QStringLiteral("/着信履歴.TXT")));
    EXPECT_EQ(r.historyText(), QStringLiteral("2026/12/07,09:07:03,0344444444\r\n"));
    EXPECT_TRUE(r.history.pending().isEmpty());
}

TEST(WriteHistory, ALineCutShortByAFullDiskLeavesNoFragment)
{
    const QByteArray first = "2026/12/07,09:05:03,0311111111\r\n";
    for (const bool existed : {false, true}) {
        Recording r;
        const QString path = r.folder.file(QStringLiteral("着信履歴.TXT"));
        const QByteArray before = existed ? first : QByteArray();
        if (existed) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(before);
        }
        {
            FileSizeLimit full(static_cast<rlim_t>(before.size() + 12));
            r.history.WriteHistory(QStringLiteral("/着信履歴.TXT"), QStringLiteral("0322222222"));
        }
        QFile f(path);
        EXPECT_EQ(f.exists() ? f.size() : 0, before.size()) << "existed: " << existed;
        r.p.clock.m_now = r.p.clock.m_now.addSecs(60);
        r.history.WriteHistory(QStringLiteral("/着信履歴.TXT"), QStringLiteral("0333333333"));
        EXPECT_EQ(r.historyText(), QString::fromLatin1(before) +
                                       QStringLiteral("2026/12/07,09:05:03,0322222222\r\n"
                                                      "2026/12/07,09:06:03,0333333333\r\n"))
            << "existed: " << existed;
    }
}

TEST(WriteLog, LineLayoutAndBytes)
{
    FakeClock clock;
    ProgramFolder folder;
    DiagnosticLog log(folder.path(), clock);
    EXPECT_TRUE(log.WriteLog(QStringLiteral(" /Nubrel.log "), QStringLiteral("Nubrel"),
                             QStringLiteral("ｴﾗｰ番号[2]x")));
    EXPECT_TRUE(log.WriteLog(QStringLiteral("/Nubrel.log"), QStringLiteral("ABCDEFGHIJKLMN"),
                             QStringLiteral("iTry=[3]lcnt=[10001]F=[a\r\nb]")));
    EXPECT_EQ(folder.readBytes(QStringLiteral("Nubrel.log")),
              QByteArray("2026/12/07 09:05:03 Nubrel     [\xB4\xD7\xB0\x94\xD4\x8D\x86[2]x]\r\n"
                         "2026/12/07 09:05:03 ABCDEFGHIJ [iTry=[3]lcnt=[10001]F=[a\r\nb]]\r\n"));

    const QString blocked = folder.file(QStringLiteral("blocked"));
    QDir().mkdir(blocked);
    DiagnosticLog nowhere(blocked, clock);
    QDir().mkdir(blocked + QStringLiteral("/Nubrel.log"));
    EXPECT_FALSE(nowhere.WriteLog(QStringLiteral("/Nubrel.log"), QStringLiteral("Nubrel"),
                                  QStringLiteral("x")));
}

TEST(CallDisplay, TextsAndPopUpPlacement)
{
    EXPECT_EQ(CallDisplay::mainWindowText(QString()), QStringLiteral(" ＴＥＬ．"));
    EXPECT_EQ(CallDisplay::mainWindowText(QStringLiteral("0312")), QStringLiteral(" ＴＥＬ．0312"));
    EXPECT_EQ(CallDisplay::mainWindowText(WithheldMark), QStringLiteral(" ＴＥＬ．非通知"));
    EXPECT_EQ(CallDisplay::tipText(QString()), QString());
    EXPECT_EQ(CallDisplay::tipText(QStringLiteral("0312")), QStringLiteral(" 0312"));
    EXPECT_EQ(CallDisplay::tipText(WithheldMark), QStringLiteral("非通知"));

    const auto at = CallDisplay::tipPlacement(19200, 14400, 1230, 240);
    EXPECT_EQ(at.left, 17870);
    EXPECT_EQ(at.top, 13680);
}
