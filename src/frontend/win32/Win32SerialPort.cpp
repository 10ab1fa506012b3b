#include "frontend/win32/Win32SerialPort.h"

#include "frontend/win32/Win32MessageLoop.h"
#include "frontend/win32/Win32Text.h"
#include "text/Text.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Every wait for the driver is bounded: a driver that never finishes an
// operation must not hang the program.
constexpr DWORD DriverWaitMs = 1000;

std::vector<std::u16string> split(const std::u16string &text)
{
    std::vector<std::u16string> fields(1);
    for (char16_t c : text) {
        if (c == u',')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

bool parseRate(const std::u16string &text, DWORD &rate)
{
    if (text.empty() || text.size() > 7)
        return false;
    DWORD value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + static_cast<DWORD>(c - u'0');
    }
    if (value == 0)
        return false;
    rate = value;
    return true;
}

std::u16string systemMessage(DWORD error)
{
    wchar_t *buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    std::u16string text = n ? fromWide(std::wstring_view(buffer, n)) : std::u16string();
    if (buffer)
        LocalFree(buffer);
    // One line in the log: the system's text ends with a line end.
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' '))
        text.pop_back();
    return text;
}

} // namespace

Win32SerialPort::Win32SerialPort()
{
    m_readDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

Win32SerialPort::~Win32SerialPort()
{
    close();
    if (m_readDone)
        CloseHandle(m_readDone);
}

std::u16string Win32SerialPort::deviceForPort(std::int16_t port, const PortMapping &) const
{
    return u"COM" + Text::number(port);
}

bool Win32SerialPort::selectPort(const std::u16string &deviceName)
{
    if (deviceName.empty())
        return false;
    m_device = deviceName;
    return true;
}

bool Win32SerialPort::setLineSettings(const std::u16string &settings)
{
    const std::vector<std::u16string> fields = split(settings);
    if (fields.size() != 4)
        return false;
    DWORD rate = 0;
    if (!parseRate(fields[0], rate))
        return false;
    BYTE parity = 0;
    if (fields[1].size() != 1)
        return false;
    switch (fields[1][0]) {
    case u'N':
    case u'n':
        parity = NOPARITY;
        break;
    case u'E':
    case u'e':
        parity = EVENPARITY;
        break;
    case u'O':
    case u'o':
        parity = ODDPARITY;
        break;
    case u'M':
    case u'm':
        parity = MARKPARITY;
        break;
    case u'S':
    case u's':
        parity = SPACEPARITY;
        break;
    default:
        return false;
    }
    if (fields[2].size() != 1 || fields[2][0] < u'5' || fields[2][0] > u'8')
        return false;
    BYTE stop = 0;
    if (fields[3] == u"1")
        stop = ONESTOPBIT;
    else if (fields[3] == u"2")
        stop = TWOSTOPBITS;
    else
        return false;
    m_baudRate = rate;
    m_parity = parity;
    m_dataBits = static_cast<BYTE>(fields[2][0] - u'0');
    m_stopBits = stop;
    return true;
}

bool Win32SerialPort::open(int &errorNumber, std::u16string &errorText)
{
    if (isOpen()) {
        // The settings of the exchange in progress stay as they are.
        errorNumber = ERROR_ACCESS_DENIED;
        errorText = systemMessage(ERROR_ACCESS_DENIED);
        return false;
    }
    // The device namespace reaches COM10 and above as well as COM1 to COM9.
    const std::u16string path = u"\\\\.\\" + m_device;
    HANDLE port = CreateFileW(wide(path), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        errorNumber = static_cast<int>(error);
        errorText = systemMessage(error);
        return false;
    }
    // A handle that has no line state is no serial port: Wine opens a COM
    // name whose device is missing, and only this call tells.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port, &dcb)) {
        const DWORD error = GetLastError();
        CloseHandle(port);
        errorNumber = static_cast<int>(error ? error : ERROR_FILE_NOT_FOUND);
        errorText = systemMessage(static_cast<DWORD>(errorNumber));
        return false;
    }
    m_port = port;
    m_broken = false;
    m_reading = false;
    m_received.clear();

    // The line settings; within an exchange only the open is judged, so a
    // driver that refuses one of them (a pseudo-terminal refuses the modem
    // lines) leaves the port usable all the same.
    dcb.BaudRate = m_baudRate;
    dcb.ByteSize = m_dataBits;
    dcb.Parity = m_parity;
    dcb.StopBits = m_stopBits;
    dcb.fBinary = TRUE;
    dcb.fParity = m_parity != NOPARITY;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    SetCommState(m_port, &dcb);
    // A read ends with what has come after ReadSliceMs, or as soon as its
    // one byte is there: reads of one byte at a time end at once, and the
    // rest waiting is taken in after. (Wine's pseudo-terminals never end a
    // read with an interval time-out of MAXDWORD.)
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = ReadSliceMs;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = DriverWaitMs;
    SetCommTimeouts(m_port, &timeouts);
    return true;
}

void Win32SerialPort::discardInput()
{
    if (!isOpen())
        return;
    cancelRead();
    PurgeComm(m_port, PURGE_RXCLEAR | PURGE_RXABORT);
    m_received.clear();
}

void Win32SerialPort::write(std::string_view data)
{
    if (!isOpen() || data.empty())
        return;
    OVERLAPPED ov{};
    ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!ov.hEvent)
        return;
    DWORD written = 0;
    if (!WriteFile(m_port, data.data(), static_cast<DWORD>(data.size()), &written, &ov) &&
        GetLastError() == ERROR_IO_PENDING) {
        if (WaitForSingleObject(ov.hEvent, DriverWaitMs) != WAIT_OBJECT_0) {
            CancelIo(m_port);
            WaitForSingleObject(ov.hEvent, DriverWaitMs);
        }
        GetOverlappedResult(m_port, &ov, &written, FALSE);
    }
    CloseHandle(ov.hEvent);
}

void Win32SerialPort::startRead()
{
    if (m_reading || m_broken || !isOpen())
        return;
    m_read = OVERLAPPED{};
    ResetEvent(m_readDone);
    m_read.hEvent = m_readDone;
    DWORD got = 0;
    if (ReadFile(m_port, &m_byte, 1, &got, &m_read)) {
        // Done at once; the event is set as well.
        m_reading = true;
        return;
    }
    if (GetLastError() == ERROR_IO_PENDING) {
        m_reading = true;
        return;
    }
    // A device that has gone: nothing more will come.
    m_broken = true;
}

void Win32SerialPort::collect()
{
    if (m_reading && WaitForSingleObject(m_readDone, 0) == WAIT_OBJECT_0) {
        DWORD got = 0;
        const BOOL ok = GetOverlappedResult(m_port, &m_read, &got, FALSE);
        m_reading = false;
        if (ok && got == 1)
            m_received += m_byte;
        else if (!ok && GetLastError() != ERROR_OPERATION_ABORTED)
            m_broken = true;
    }
    if (!m_reading)
        drainQueue();
}

void Win32SerialPort::drainQueue()
{
    if (m_broken || !isOpen())
        return;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(m_port, &errors, &status) || status.cbInQue == 0)
        return;
    std::string chunk(status.cbInQue, '\0');
    OVERLAPPED ov{};
    ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!ov.hEvent)
        return;
    DWORD got = 0;
    // Bytes already queued: the read ends at once.
    if (!ReadFile(m_port, chunk.data(), status.cbInQue, &got, &ov)) {
        if (GetLastError() != ERROR_IO_PENDING ||
            WaitForSingleObject(ov.hEvent, DriverWaitMs) != WAIT_OBJECT_0) {
            CancelIo(m_port);
            WaitForSingleObject(ov.hEvent, DriverWaitMs);
        }
        if (!GetOverlappedResult(m_port, &ov, &got, FALSE))
            got = 0;
    }
    CloseHandle(ov.hEvent);
    m_received.append(chunk.data(), got);
}

std::int64_t Win32SerialPort::waitingInput()
{
    if (!isOpen())
        return 0;
    collect();
    return static_cast<std::int64_t>(m_received.size());
}

std::string Win32SerialPort::readAll()
{
    if (!isOpen())
        return {};
    collect();
    return std::exchange(m_received, std::string());
}

bool Win32SerialPort::waitForInput(std::chrono::steady_clock::time_point deadline)
{
    using namespace std::chrono;
    if (waitingInput() > 0)
        return true;
    while (!Win32MessageLoop::quitting()) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0)
            return false;
        startRead();
        // Asleep until the read ends, a message comes or the time is up; a
        // port whose device has gone waits on messages alone, until the deadline.
        const DWORD handles = m_reading ? 1 : 0;
        const DWORD woke =
            MsgWaitForMultipleObjectsEx(handles, handles ? &m_readDone : nullptr,
                                        static_cast<DWORD>(left), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (handles && woke == WAIT_OBJECT_0) {
            if (waitingInput() > 0)
                return true;
            continue; // a read that timed out empty: the next one starts
        }
        if (woke == WAIT_OBJECT_0 + handles) {
            Win32MessageLoop::processPending();
            // A handler run meanwhile may have closed the port.
            if (!isOpen())
                return false;
            if (waitingInput() > 0)
                return true;
            continue;
        }
        if (woke == WAIT_TIMEOUT)
            return waitingInput() > 0;
        return false; // WAIT_FAILED
    }
    return false;
}

void Win32SerialPort::cancelRead()
{
    if (!m_reading)
        return;
    CancelIo(m_port);
    // Bounded: an unbounded wait for a cancelled read has been seen to hang.
    if (WaitForSingleObject(m_readDone, DriverWaitMs) == WAIT_OBJECT_0) {
        DWORD got = 0;
        if (GetOverlappedResult(m_port, &m_read, &got, FALSE) && got == 1)
            m_received += m_byte;
    }
    m_reading = false;
}

void Win32SerialPort::close()
{
    if (!isOpen())
        return;
    cancelRead();
    CloseHandle(m_port);
    m_port = INVALID_HANDLE_VALUE;
    m_received.clear();
    m_broken = false;
}
