#include "frontend/win32/Win32SerialPort.h"

#include "frontend/win32/Win32MessageLoop.h"
#include "frontend/win32/Win32Text.h"
#include "text/Text.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Reads taken one after another while input stays queued: a device that
// floods the line is read on at the next call.
constexpr int ReadsPerCollect = 8;

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

Win32SerialPort::Request::Request()
{
    event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

Win32SerialPort::Request::~Request()
{
    if (event)
        CloseHandle(event);
}

Win32SerialPort::Win32SerialPort(const Win32CommApi &api) : m_api(api) {}

Win32SerialPort::~Win32SerialPort()
{
    close();
    reap();
    // What the driver still holds is never freed: it may write there yet.
    for (Abandoned &a : m_abandoned) {
        for (std::unique_ptr<Request> &r : a.requests)
            static_cast<void>(r.release());
    }
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
    // A handle left behind with requests its driver had not ended may let go
    // of the port now; while it holds it, the driver refuses the open below.
    reap();
    const auto fail = [&](HANDLE port, DWORD error) {
        if (port != INVALID_HANDLE_VALUE)
            m_api.closeHandle(port);
        errorNumber = static_cast<int>(error ? error : ERROR_GEN_FAILURE);
        errorText = systemMessage(static_cast<DWORD>(errorNumber));
        return false;
    };
    // The device namespace reaches COM10 and above as well as COM1 to COM9.
    const std::u16string path = u"\\\\.\\" + m_device;
    HANDLE port = m_api.createFile(wide(path), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return fail(port, GetLastError());
    // A handle that has no line state is no serial port: Wine opens a COM
    // name whose device is missing, and only this call tells.
    DCB driver{};
    driver.DCBlength = sizeof driver;
    if (!m_api.getCommState(port, &driver))
        return fail(port, GetLastError() ? GetLastError() : ERROR_FILE_NOT_FOUND);
    if (!applyLine(port, driver.BaudRate))
        return fail(port, GetLastError());
    // A read ends with what has come after ReadSliceMs, or as soon as its
    // bytes are there. The waits rely on it: without it a read may end at
    // once, over and over, or never. (Wine's pseudo-terminals never end a
    // read with an interval time-out of MAXDWORD.)
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = ReadSliceMs;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = DriverWaitMs;
    if (!m_api.setCommTimeouts(port, &timeouts))
        return fail(port, GetLastError());
    m_port = port;
    m_broken = false;
    m_received.clear();
    return true;
}

bool Win32SerialPort::applyLine(HANDLE port, DWORD driverRate)
{
    // Nothing of what the driver had: a handshake left by another program
    // would hold every write for a device that never raises its lines.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = m_baudRate;
    dcb.fBinary = TRUE;
    dcb.fParity = m_parity != NOPARITY;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.ByteSize = m_dataBits;
    dcb.Parity = m_parity;
    dcb.StopBits = m_stopBits;
    // Unused without XON/XOFF, but equal ones make the driver refuse it all.
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    if (m_api.setCommState(port, &dcb))
        return true;
    // A speed the driver refuses leaves all of it unset: the same line at
    // the speed the driver runs.
    if (driverRate == m_baudRate)
        return false;
    dcb.BaudRate = driverRate;
    return m_api.setCommState(port, &dcb) != FALSE;
}

bool Win32SerialPort::startRequest(std::unique_ptr<Request> &slot, bool reading,
                                   std::string_view data, DWORD size)
{
    if (!slot)
        slot = std::make_unique<Request>();
    Request &r = *slot;
    if (!r.event)
        return false;
    r.overlapped = OVERLAPPED{};
    r.overlapped.hEvent = r.event;
    ResetEvent(r.event);
    if (reading)
        r.buffer.assign(size, '\0');
    else
        r.buffer.assign(data);
    const BOOL done =
        reading ? m_api.readFile(m_port, r.buffer.data(), size, nullptr, &r.overlapped)
                : m_api.writeFile(m_port, r.buffer.data(), static_cast<DWORD>(r.buffer.size()),
                                  nullptr, &r.overlapped);
    // Ended at once or under way: either way GetOverlappedResult tells.
    if (done || GetLastError() == ERROR_IO_PENDING) {
        r.pending = true;
        return true;
    }
    return false;
}

bool Win32SerialPort::ended(HANDLE port, Request &request, DWORD &got, DWORD &error)
{
    got = 0;
    error = 0;
    if (!request.pending)
        return true;
    if (m_api.getOverlappedResult(port, &request.overlapped, &got, FALSE)) {
        request.pending = false;
        return true;
    }
    error = GetLastError();
    if (error == ERROR_IO_INCOMPLETE)
        return false;
    request.pending = false;
    return true;
}

bool Win32SerialPort::settle(std::unique_ptr<Request> &slot)
{
    if (!slot || !slot->pending)
        return true;
    DWORD got = 0;
    DWORD error = 0;
    if (ended(m_port, *slot, got, error))
        return true;
    // Not found: it ended meanwhile, and the result below says so.
    m_api.cancelIoEx(m_port, &slot->overlapped);
    // Bounded: an unbounded wait for a cancelled request has been seen to hang.
    WaitForSingleObject(slot->event, DriverWaitMs);
    // Whatever it brought came before the cancel: not this exchange's.
    return ended(m_port, *slot, got, error);
}

void Win32SerialPort::discardInput()
{
    if (!isOpen())
        return;
    if (!settle(m_read))
        m_broken = true; // the read stays the driver's; close() keeps it
    m_api.purgeComm(m_port, PURGE_RXCLEAR | PURGE_RXABORT);
    m_received.clear();
}

void Win32SerialPort::write(std::string_view data)
{
    if (!isOpen() || m_broken || data.empty())
        return;
    if (m_write && m_write->pending) {
        WaitForSingleObject(m_write->event, DriverWaitMs);
        DWORD got = 0;
        DWORD error = 0;
        if (!ended(m_port, *m_write, got, error)) {
            m_broken = true;
            return;
        }
    }
    // Sent from the port's own buffer, which lives until the driver has
    // ended the write; a write still under way after the wait is left to it.
    if (startRequest(m_write, false, data, 0)) {
        WaitForSingleObject(m_write->event, DriverWaitMs);
        DWORD got = 0;
        DWORD error = 0;
        ended(m_port, *m_write, got, error);
    }
}

void Win32SerialPort::startRead()
{
    if (m_broken || !isOpen() || (m_read && m_read->pending))
        return;
    // One byte: the read ends as soon as it comes, or empty after a slice.
    if (!startRequest(m_read, true, {}, 1))
        m_broken = true; // a device that has gone: nothing more will come
}

void Win32SerialPort::collect()
{
    if (!isOpen())
        return;
    if (m_write && m_write->pending) {
        DWORD got = 0;
        DWORD error = 0;
        ended(m_port, *m_write, got, error);
    }
    if (m_broken || (m_read && m_read->pending && !takeRead()))
        return; // the byte read is under way: the wait sleeps on its event
    // Then what is queued already, a read at a time: its bytes are there, so
    // it ends at once; one that does not is given the driver's time.
    for (int i = 0; i < ReadsPerCollect && !m_broken; ++i) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!m_api.clearCommError(m_port, &errors, &status) || status.cbInQue == 0)
            return;
        if (!startRequest(m_read, true, {}, status.cbInQue)) {
            m_broken = true;
            return;
        }
        if (!takeRead()) {
            WaitForSingleObject(m_read->event, DriverWaitMs);
            if (!takeRead() && !settle(m_read))
                m_broken = true; // left to the driver; close() keeps it
            return;
        }
    }
}

bool Win32SerialPort::takeRead()
{
    DWORD got = 0;
    DWORD error = 0;
    if (!ended(m_port, *m_read, got, error))
        return false;
    // Wine ends a read whose slice ran out with a time-out error, keeping
    // what came before it.
    if (error == 0 || error == ERROR_TIMEOUT)
        m_received.append(m_read->buffer.data(), got);
    else if (error != ERROR_OPERATION_ABORTED)
        m_broken = true;
    return true;
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
        const bool reading = isOpen() && m_read && m_read->pending;
        const DWORD handles = reading ? 1 : 0;
        HANDLE readDone = reading ? m_read->event : nullptr;
        const DWORD woke =
            MsgWaitForMultipleObjectsEx(handles, handles ? &readDone : nullptr,
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

void Win32SerialPort::close()
{
    if (!isOpen())
        return;
    Abandoned left;
    for (std::unique_ptr<Request> *slot : {&m_read, &m_write}) {
        if (!settle(*slot))
            left.requests.push_back(std::move(*slot));
    }
    if (left.requests.empty()) {
        m_api.closeHandle(m_port);
    } else {
        // The driver may still write into them, and needs the handle to end
        // them: both are kept, and the next open starts afresh.
        left.port = m_port;
        m_abandoned.push_back(std::move(left));
    }
    m_port = INVALID_HANDLE_VALUE;
    m_received.clear();
    m_broken = false;
}

void Win32SerialPort::reap()
{
    for (auto a = m_abandoned.begin(); a != m_abandoned.end();) {
        std::erase_if(a->requests, [&](const std::unique_ptr<Request> &r) {
            DWORD got = 0;
            DWORD error = 0;
            return ended(a->port, *r, got, error);
        });
        if (a->requests.empty()) {
            m_api.closeHandle(a->port);
            a = m_abandoned.erase(a);
        } else {
            ++a;
        }
    }
}

std::size_t Win32SerialPort::abandonedRequests() const
{
    std::size_t n = 0;
    for (const Abandoned &a : m_abandoned)
        n += a.requests.size();
    return n;
}
