// The real serial port under Wine against the simulated device, started here
// on the pseudo-terminal that COM2 is mapped to (NUBREL_WINE_DEVICE), with the
// device program NUBREL_MODEMSIM: the program's own SendCommand on
// Win32SerialPort, and the port's operations.
#include "CountingPort.h"
#include "Fakes.h"
#include "ProgramFolder.h"
#include "config/basNbComIni.h"
#include "frontend/win32/Win32SerialPort.h"
#include "link/SerialLink.h"
#include "log/DiagnosticLog.h"

#include <gmock/gmock.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// A Unix path as Wine's programs reach it.
std::wstring dosPath(const std::string &unixPath)
{
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

// The simulated device, a Linux program that Wine starts like any other. Its
// commands go through its control file, its answers come in its output file.
class Device {
public:
    ~Device()
    {
        if (m_started && !m_gone)
            command("quit");
        if (m_input)
            CloseHandle(m_input); // its input ends: it leaves in any case
    }
    void start(const std::string &options = {})
    {
        const std::string program = environment("NUBREL_MODEMSIM");
        const std::string link = environment("NUBREL_WINE_DEVICE");
        ASSERT_FALSE(program.empty()) << "NUBREL_MODEMSIM names no simulated device";
        ASSERT_FALSE(link.empty()) << "NUBREL_WINE_DEVICE names no path for COM2";
        ASSERT_NE(GetFileAttributesW(dosPath(program).c_str()), INVALID_FILE_ATTRIBUTES)
            << "no simulated device at " << program;
        m_dir = link + ".sim";
        CreateDirectoryW(dosPath(m_dir).c_str(), nullptr);
        DeleteFileW(dosPath(m_dir + "/control").c_str());

        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE out = CreateFileW(dosPath(m_dir + "/out").c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                                 CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(out, INVALID_HANDLE_VALUE);
        HANDLE in = nullptr;
        ASSERT_TRUE(CreatePipe(&in, &m_input, &inherit, 0));
        SetHandleInformation(m_input, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = in;
        si.hStdOutput = out;
        si.hStdError = out;
        std::string line = program + " --link " + link + " --control " + m_dir + "/control " +
                           "--log " + m_dir + "/device.log " + options;
        std::wstring commandLine =
            dosPath(program) + std::wstring(line.begin() + program.size(), line.end());
        PROCESS_INFORMATION pi{};
        const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                            nullptr, nullptr, &si, &pi);
        CloseHandle(in);
        CloseHandle(out);
        ASSERT_TRUE(started) << "error " << GetLastError();
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        m_started = true;
        // Its first line is its device path: the link is there.
        ASSERT_FALSE(nextLine().empty()) << "the simulated device did not start";
    }
    // One control command, waited for until the device has acknowledged it.
    std::string command(const std::string &text)
    {
        const std::wstring temporary = dosPath(m_dir + "/control.tmp");
        HANDLE f =
            CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE)
            return "no control file";
        const std::string line = text + "\n";
        DWORD written = 0;
        WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(f);
        MoveFileExW(temporary.c_str(), dosPath(m_dir + "/control").c_str(),
                    MOVEFILE_REPLACE_EXISTING);
        const std::string answer = nextLine();
        if (text == "vanish" || text == "quit")
            m_gone = true;
        return answer;
    }
    bool ok(const std::string &text) { return command(text).starts_with("ok "); }

private:
    // The next line of its output, waited for at most 10 s.
    std::string nextLine()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            HANDLE f = CreateFileW(dosPath(m_dir + "/out").c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
            std::string all;
            if (f != INVALID_HANDLE_VALUE) {
                char buffer[4096];
                DWORD got = 0;
                while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0)
                    all.append(buffer, got);
                CloseHandle(f);
            }
            const std::size_t end = all.find('\n', m_read);
            if (end != std::string::npos) {
                std::string line = all.substr(m_read, end - m_read);
                m_read = end + 1;
                return line;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return {};
    }

    std::string m_dir;
    HANDLE m_input = nullptr;
    std::size_t m_read = 0;
    bool m_started = false;
    bool m_gone = false;
};

struct Exchange {
    std::int16_t result = 99;
    std::string reply; // as CP932 bytes
    std::int32_t lcnt = 0;
};

// The program's link on COM2.
struct Link {
    Link()
    {
        link.ApplyCommPort();
        link.ApplyCommSettings();
    }
    Exchange send(const std::string &command)
    {
        counting.reads = 0;
        Exchange e;
        std::u16string reply;
        link.SendCommand(std::u16string(command.begin(), command.end()), reply, e.result);
        for (char16_t c : reply)
            e.reply += static_cast<char>(c); // the replies here are ASCII
        e.lcnt = link.lastLcnt();
        return e;
    }
    std::u16string log() const { return folder.readText(u"Nubrel.log"); }

    ProgramFolder folder;
    ProgramState state;
    Win32SerialPort port;
    CountingPort counting{port};
    basNbComIni ini{folder.path()};
    FakeClock clock;
    DiagnosticLog diagnostics{folder.path(), clock};
    FakePrompts prompts;
    FakeView view;
    SerialLink link{state, counting, ini, diagnostics, prompts, view};
};

std::string readUntil(Win32SerialPort &port, const std::string &until)
{
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (got.find(until) == std::string::npos && port.waitForInput(deadline))
        got += port.readAll();
    return got;
}

void openCom2(Win32SerialPort &port)
{
    ASSERT_TRUE(port.selectPort(u"COM2"));
    int error = 0;
    std::u16string text;
    ASSERT_TRUE(port.open(error, text)) << error;
}

TEST(Win32SerialPortDevice, AnswersWholeAndInPiecesWithNothingLateInTheNext)
{
    Device device;
    ASSERT_NO_FATAL_FAILURE(device.start("--kind 1 --number 0312345678"));
    Link l;
    const Exchange whole = l.send("at$a\r");
    ASSERT_EQ(whole.result, ExchangeResult::Answered);
    EXPECT_THAT(whole.reply, StartsWith("at$a\r\r\n001 0312345678/"));
    for (const char *pacing : {"pieces on", "slow 1200"}) {
        SCOPED_TRACE(pacing);
        ASSERT_TRUE(device.ok(pacing));
        const Exchange pieces = l.send("at$a\r");
        EXPECT_EQ(pieces.result, ExchangeResult::Answered);
        EXPECT_GT(l.counting.reads, 2);
        EXPECT_EQ(whole.reply.substr(0, pieces.reply.size()), pieces.reply);
        // The line end after "OK" comes after the port was closed; the next
        // exchange discards it.
        ASSERT_TRUE(device.ok("sync"));
        ASSERT_TRUE(device.ok("pieces off"));
        ASSERT_TRUE(device.ok("slow 0"));
        EXPECT_EQ(l.send("AT\r").reply.substr(0, 7), "AT\r\r\nOK");
    }
}

TEST(Win32SerialPortDevice, SilentThreeTimesEndsTheProgram)
{
    Device device;
    ASSERT_NO_FATAL_FAILURE(device.start());
    ASSERT_TRUE(device.ok("silent on"));
    Link l;
    for (const std::int16_t expected :
         {ExchangeResult::Unanswered, ExchangeResult::Unanswered, ExchangeResult::EndProgram}) {
        const Exchange e = l.send("AT\\L1\r");
        EXPECT_EQ(e.result, expected);
        EXPECT_EQ(e.reply, "");
        EXPECT_EQ(e.lcnt, SerialLink::MaxPoll + 1);
        EXPECT_FALSE(l.counting.isOpen());
    }
    EXPECT_EQ(l.log(), u"2026/12/07 09:05:03 Nubrel     [iTry=[3]lcnt=[10001]F=[]]\r\n");
    ASSERT_TRUE(device.ok("silent off"));
    EXPECT_EQ(l.send("AT\r").result, ExchangeResult::Answered);
}

TEST(Win32SerialPortDevice, FloodIsReadThroughAndHeldBounded)
{
    Device device;
    ASSERT_NO_FATAL_FAILURE(device.start());
    ASSERT_TRUE(device.ok("flood 70000"));
    Link l;
    const Exchange e = l.send("AT\r");
    EXPECT_EQ(e.result, ExchangeResult::Answered);
    // The junk comes between the echo and the answer.
    EXPECT_TRUE(e.reply.find("\r\nOK") != std::string::npos) << e.reply.size() << " bytes";
    EXPECT_LE(e.reply.size(), SerialLink::MaxReplyBytes + 4096);
    ASSERT_TRUE(device.ok("sync"));
    EXPECT_EQ(l.send("AT\r").reply.substr(0, 7), "AT\r\r\nOK");
}

TEST(Win32SerialPortDevice, DeviceVanishedMidExchangeIsUnansweredAndThenUnusable)
{
    Device device;
    ASSERT_NO_FATAL_FAILURE(device.start("--kind 1 --number 0312345678"));
    ASSERT_TRUE(device.ok("slow 300"));
    Link l;
    bool unplugged = false;
    l.counting.beforeWait = [&] {
        if (!unplugged && l.counting.reads > 0) {
            unplugged = true;
            EXPECT_TRUE(device.ok("vanish"));
        }
    };
    const Exchange e = l.send("at$a\r");
    ASSERT_TRUE(unplugged);
    EXPECT_EQ(e.result, ExchangeResult::Unanswered);
    EXPECT_THAT(e.reply, StartsWith("a"));
    EXPECT_THAT(e.reply, Not(HasSubstr("OK")));
    EXPECT_FALSE(l.counting.isOpen());
    l.counting.beforeWait = nullptr;
    EXPECT_EQ(l.send("at$a\r").result, ExchangeResult::StopMonitoring);
    EXPECT_THAT(utf8(l.log()), HasSubstr("ｴﾗｰ番号["));
}

TEST(Win32SerialPortDevice, DiscardDropsInputWaitingInEitherBuffer)
{
    Device device;
    ASSERT_NO_FATAL_FAILURE(device.start());
    Win32SerialPort port;
    ASSERT_NO_FATAL_FAILURE(openCom2(port));
    for (bool intoPortBuffer : {false, true}) {
        SCOPED_TRACE(intoPortBuffer ? "read into the port's buffer" : "left in the driver");
        port.write("ATZ\r");
        ASSERT_TRUE(device.ok("sync"));
        if (intoPortBuffer) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (port.waitingInput() < 10 && port.waitForInput(deadline)) {
            }
            ASSERT_EQ(port.waitingInput(), 10);
        }
        port.discardInput();
        EXPECT_EQ(port.waitingInput(), 0);
        port.write("ATE1\r");
        EXPECT_EQ(readUntil(port, "OK\r\n"), "ATE1\r\r\nOK\r\n");
    }
    port.close();
}

TEST(Win32SerialPortDevice, LineIsSetFromNothingWhateverTheDriverHad)
{
    Device device;
    ASSERT_NO_FATAL_FAILURE(device.start());
    // Another program's line: every handshake, 7E2.
    {
        HANDLE other = CreateFileW(L"\\\\.\\COM2", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(other, INVALID_HANDLE_VALUE);
        DCB d{};
        d.DCBlength = sizeof d;
        ASSERT_TRUE(GetCommState(other, &d));
        d.BaudRate = 2400;
        d.fOutxCtsFlow = d.fOutxDsrFlow = d.fOutX = d.fInX = TRUE;
        d.fRtsControl = RTS_CONTROL_HANDSHAKE;
        d.ByteSize = 7;
        d.Parity = EVENPARITY;
        d.StopBits = TWOSTOPBITS;
        SetCommState(other, &d);
        CloseHandle(other);
    }
    Win32SerialPort port;
    ASSERT_TRUE(port.setLineSettings(u"19200,N,8,1"));
    ASSERT_NO_FATAL_FAILURE(openCom2(port));
    // Wine lets a second handle read the line back.
    HANDLE reader = CreateFileW(L"\\\\.\\COM2", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    DCB d{};
    d.DCBlength = sizeof d;
    ASSERT_TRUE(GetCommState(reader, &d));
    CloseHandle(reader);
    EXPECT_EQ(d.BaudRate, 19200u);
    EXPECT_EQ(d.ByteSize, 8);
    EXPECT_EQ(d.Parity, NOPARITY);
    EXPECT_EQ(d.StopBits, ONESTOPBIT);
    EXPECT_FALSE(d.fOutxCtsFlow || d.fOutxDsrFlow || d.fOutX || d.fInX);
    EXPECT_EQ(d.fDtrControl, DTR_CONTROL_ENABLE);
    EXPECT_EQ(d.fRtsControl, RTS_CONTROL_ENABLE);
    EXPECT_NE(d.XonChar, d.XoffChar);
    port.write("AT\r");
    EXPECT_EQ(readUntil(port, "OK\r\n"), "AT\r\r\nOK\r\n");
    port.close();
}

} // namespace
