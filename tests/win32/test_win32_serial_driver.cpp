// The serial port against a stand-in driver, for what Wine's serial driver
// never does: refuse a speed or time-outs, or never end a cancelled request.
#include "frontend/win32/Win32SerialPort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace {

constexpr ULONG_PTR StatusPending = 0x103;
constexpr ULONG_PTR StatusCancelled = 0xC0000120;

// One driver for the whole test program: the calls are plain functions.
struct Driver {
    DCB line{};
    std::set<DWORD> refusedRates;
    bool refuseEveryLine = false;
    bool refuseTimeouts = false;
    bool endsCancelled = true;
    int opens = 0;
    std::set<HANDLE> openHandles;
    std::vector<HANDLE> closed;
    struct Read {
        OVERLAPPED *overlapped;
        char *buffer;
    };
    std::vector<Read> reads; // those not ended yet

    void end(const Read &r, ULONG_PTR status, DWORD bytes)
    {
        r.overlapped->InternalHigh = bytes;
        r.overlapped->Internal = status;
        SetEvent(r.overlapped->hEvent);
    }
    // The driver ends the oldest read at last, with a byte.
    void endLate(char byte)
    {
        ASSERT_FALSE(reads.empty());
        reads.front().buffer[0] = byte;
        end(reads.front(), 0, 1);
        reads.erase(reads.begin());
    }
};
Driver *g_driver = nullptr;

HANDLE WINAPI createFile(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)
{
    // Like a real port: one handle at a time.
    if (!g_driver->openHandles.empty()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    const auto h = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x5000 + 4 * ++g_driver->opens));
    g_driver->openHandles.insert(h);
    return h;
}
BOOL WINAPI closeHandle(HANDLE h)
{
    g_driver->closed.push_back(h);
    return g_driver->openHandles.erase(h) ? TRUE : FALSE;
}
BOOL WINAPI getCommState(HANDLE, LPDCB dcb)
{
    *dcb = g_driver->line;
    return TRUE;
}
BOOL WINAPI setCommState(HANDLE, LPDCB dcb)
{
    if (g_driver->refuseEveryLine || g_driver->refusedRates.count(dcb->BaudRate) ||
        dcb->XonChar == dcb->XoffChar) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    g_driver->line = *dcb;
    return TRUE;
}
BOOL WINAPI setCommTimeouts(HANDLE, LPCOMMTIMEOUTS)
{
    if (g_driver->refuseTimeouts) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    return TRUE;
}
BOOL WINAPI purgeComm(HANDLE, DWORD)
{
    return TRUE;
}
BOOL WINAPI clearCommError(HANDLE, LPDWORD errors, LPCOMSTAT status)
{
    *errors = 0;
    *status = COMSTAT{};
    return TRUE;
}
BOOL WINAPI readFile(HANDLE, LPVOID buffer, DWORD, LPDWORD, LPOVERLAPPED overlapped)
{
    overlapped->Internal = StatusPending;
    g_driver->reads.push_back({overlapped, static_cast<char *>(buffer)});
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
}
BOOL WINAPI writeFile(HANDLE, LPCVOID, DWORD size, LPDWORD, LPOVERLAPPED overlapped)
{
    overlapped->Internal = 0;
    overlapped->InternalHigh = size;
    SetEvent(overlapped->hEvent);
    return TRUE;
}
BOOL WINAPI cancelIoEx(HANDLE, LPOVERLAPPED overlapped)
{
    auto &reads = g_driver->reads;
    const auto r = std::find_if(reads.begin(), reads.end(),
                                [&](const Driver::Read &x) { return x.overlapped == overlapped; });
    if (r == reads.end()) {
        SetLastError(ERROR_NOT_FOUND);
        return FALSE;
    }
    if (g_driver->endsCancelled) {
        g_driver->end(*r, StatusCancelled, 0);
        reads.erase(r);
    }
    return TRUE;
}

class SerialDriver : public ::testing::Test {
protected:
    SerialDriver()
    {
        g_driver = &m_driver;
        leaveOtherProgramsLine();
        m_api.createFile = &createFile;
        m_api.closeHandle = &closeHandle;
        m_api.getCommState = &getCommState;
        m_api.setCommState = &setCommState;
        m_api.setCommTimeouts = &setCommTimeouts;
        m_api.purgeComm = &purgeComm;
        m_api.clearCommError = &clearCommError;
        m_api.readFile = &readFile;
        m_api.writeFile = &writeFile;
        m_api.cancelIoEx = &cancelIoEx;
    }
    ~SerialDriver() override { g_driver = nullptr; }

    // What another program left: every handshake on, 7E2, and equal
    // XON/XOFF characters, which a driver refuses.
    void leaveOtherProgramsLine()
    {
        DCB &d = m_driver.line;
        d = DCB{};
        d.DCBlength = sizeof d;
        d.BaudRate = 2400;
        d.fOutxCtsFlow = d.fOutxDsrFlow = d.fDsrSensitivity = d.fOutX = d.fInX = TRUE;
        d.fDtrControl = DTR_CONTROL_HANDSHAKE;
        d.fRtsControl = RTS_CONTROL_HANDSHAKE;
        d.ByteSize = 7;
        d.Parity = EVENPARITY;
        d.StopBits = TWOSTOPBITS;
        d.XonChar = d.XoffChar = 0;
    }
    bool open(Win32SerialPort &port, int &error)
    {
        std::u16string text;
        return port.open(error, text);
    }

    Driver m_driver;
    Win32CommApi m_api;
};

TEST_F(SerialDriver, LineIsOnlyWhatTheProgramAsksEvenAtARefusedSpeed)
{
    m_driver.refusedRates = {7200};
    const struct {
        const char16_t *settings;
        DWORD rate;
    } cases[] = {{u"19200,N,8,1", 19200}, {u"7200,N,8,1", 2400}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.settings, c.settings + 11));
        Win32SerialPort port(m_api);
        ASSERT_TRUE(port.selectPort(u"COM2"));
        ASSERT_TRUE(port.setLineSettings(c.settings));
        int error = 0;
        ASSERT_TRUE(open(port, error)) << error;
        const DCB &d = m_driver.line;
        EXPECT_EQ(d.BaudRate, c.rate);
        EXPECT_EQ(d.ByteSize, 8);
        EXPECT_EQ(d.Parity, NOPARITY);
        EXPECT_EQ(d.StopBits, ONESTOPBIT);
        EXPECT_TRUE(d.fBinary);
        EXPECT_FALSE(d.fParity || d.fOutxCtsFlow || d.fOutxDsrFlow || d.fDsrSensitivity ||
                     d.fOutX || d.fInX || d.fErrorChar || d.fNull || d.fAbortOnError);
        EXPECT_EQ(d.fDtrControl, DTR_CONTROL_ENABLE);
        EXPECT_EQ(d.fRtsControl, RTS_CONTROL_ENABLE);
        EXPECT_NE(d.XonChar, d.XoffChar);
        port.close();
        leaveOtherProgramsLine();
    }
}

TEST_F(SerialDriver, PortThatTakesNoLineOrNoTimeOutsIsNotOpened)
{
    const struct {
        const char *what;
        bool refuseLine;
        bool refuseTimeouts;
        int error;
    } cases[] = {{"no line at any speed", true, false, ERROR_INVALID_PARAMETER},
                 {"no time-outs", false, true, ERROR_NOT_SUPPORTED}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        m_driver.refuseEveryLine = c.refuseLine;
        m_driver.refuseTimeouts = c.refuseTimeouts;
        Win32SerialPort port(m_api);
        ASSERT_TRUE(port.selectPort(u"COM2"));
        int error = 0;
        EXPECT_FALSE(open(port, error));
        EXPECT_EQ(error, c.error);
        EXPECT_FALSE(port.isOpen());
        EXPECT_TRUE(m_driver.openHandles.empty()) << "the handle is let go";
    }
}

TEST_F(SerialDriver, ReadTheDriverNeverEndsIsKeptAndTheNextExchangeOpensAfresh)
{
    m_driver.endsCancelled = false;
    Win32SerialPort port(m_api);
    ASSERT_TRUE(port.selectPort(u"COM2"));
    int error = 0;
    ASSERT_TRUE(open(port, error));
    const HANDLE first = *m_driver.openHandles.begin();
    port.write("AT\r");
    EXPECT_FALSE(
        port.waitForInput(std::chrono::steady_clock::now() + std::chrono::milliseconds(60)));
    ASSERT_EQ(m_driver.reads.size(), 1u) << "a read under way";
    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.abandonedRequests(), 1u);
    EXPECT_TRUE(m_driver.closed.empty()) << "the driver still needs the handle";

    // Held by the handle left behind: the open is refused, and said so.
    EXPECT_FALSE(open(port, error));
    EXPECT_EQ(error, ERROR_ACCESS_DENIED);

    // Ended at last, into the port's own memory: freed at the next open,
    // which starts afresh, without the late byte.
    m_driver.endLate('X');
    m_driver.endsCancelled = true;
    ASSERT_TRUE(open(port, error)) << error;
    EXPECT_EQ(port.abandonedRequests(), 0u);
    EXPECT_EQ(m_driver.closed, std::vector<HANDLE>{first});
    EXPECT_EQ(port.readAll(), "");
    port.close();
    EXPECT_EQ(m_driver.closed.size(), 2u);
}

TEST(Win32SerialPortNames, ComPortsNeedNoMapping)
{
    Win32SerialPort port;
    int asked = 0;
    const SerialPort::PortMapping mapping = [&](const std::u16string &) {
        ++asked;
        return std::u16string(u"/dev/ttyUSB0");
    };
    EXPECT_EQ(port.deviceForPort(3, mapping), u"COM3");
    EXPECT_EQ(port.deviceForPort(12, mapping), u"COM12");
    EXPECT_EQ(asked, 0);
}

} // namespace
