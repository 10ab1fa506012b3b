// The serial port through the Windows comm API: \\.\COMn opened for one
// exchange, overlapped reads waited for with the message loop running.
#pragma once

#include "frontend/win32/Win32CommApi.h"
#include "platform/SerialPort.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class Win32SerialPort final : public SerialPort {
public:
    // Each read ends after this long even without input, so no wait hangs
    // on a driver that never completes one.
    static constexpr DWORD ReadSliceMs = 50;
    // How long a write, or a cancelled request, is given to end.
    static constexpr DWORD DriverWaitMs = 1000;

    explicit Win32SerialPort(const Win32CommApi &api = Win32CommApi());
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort &) = delete;
    Win32SerialPort &operator=(const Win32SerialPort &) = delete;

    // COMn, the system's own name: no mapping is asked.
    std::u16string deviceForPort(std::int16_t port, const PortMapping &mapped) const override;
    bool selectPort(const std::u16string &deviceName) override;
    // "speed,parity,data bits,stop bits" as in "9600,N,8,1": a speed in
    // decimal digits, parity N, E, O, M or S, 5 to 8 data bits, 1 or 2 stop bits.
    bool setLineSettings(const std::u16string &settings) override;

    bool open(int &errorNumber, std::u16string &errorText) override;
    bool isOpen() const override { return m_port != INVALID_HANDLE_VALUE; }
    void discardInput() override;
    void write(std::string_view data) override;
    std::int64_t waitingInput() override;
    std::string readAll() override;
    bool waitForInput(std::chrono::steady_clock::time_point deadline) override;
    void close() override;

    // Requests the driver has not ended since they were cancelled, kept with
    // their handle until it does.
    std::size_t abandonedRequests() const;

private:
    // One overlapped request. Its record, event and buffer stay here until
    // the driver has ended it: the driver writes into them until then.
    struct Request {
        Request();
        ~Request();
        Request(const Request &) = delete;
        Request &operator=(const Request &) = delete;
        OVERLAPPED overlapped{};
        HANDLE event = nullptr;
        std::string buffer;
        bool pending = false;
    };
    // A handle whose cancelled requests the driver has not ended yet.
    struct Abandoned {
        HANDLE port = INVALID_HANDLE_VALUE;
        std::vector<std::unique_ptr<Request>> requests;
    };

    bool applyLine(HANDLE port, DWORD driverRate);
    bool startRequest(std::unique_ptr<Request> &slot, bool reading, std::string_view data,
                      DWORD size);
    // True once the driver has ended the request; `got` and `error` then
    // tell how.
    bool ended(HANDLE port, Request &request, DWORD &got, DWORD &error);
    // Cancels a pending request and waits, bounded, for its end: false when
    // the driver has not ended it.
    bool settle(std::unique_ptr<Request> &slot);
    void startRead();
    // Takes in what an ended read brought, then what is queued.
    void collect();
    // Takes in what the read brought once the driver has ended it; false
    // while it is under way.
    bool takeRead();
    // Frees what the driver has ended since, and the handles left with nothing.
    void reap();

    Win32CommApi m_api;
    std::u16string m_device;
    DWORD m_baudRate = 9600;
    BYTE m_parity = NOPARITY;
    BYTE m_dataBits = 8;
    BYTE m_stopBits = ONESTOPBIT;

    HANDLE m_port = INVALID_HANDLE_VALUE;
    std::unique_ptr<Request> m_read;
    std::unique_ptr<Request> m_write;
    std::vector<Abandoned> m_abandoned;
    bool m_broken = false;
    std::string m_received;
};
