// The serial port through the Windows comm API: \\.\COMn opened for one
// exchange, overlapped reads waited for with the message loop running.
#pragma once

#include "platform/SerialPort.h"

#include <windows.h>

class Win32SerialPort final : public SerialPort {
public:
    // Each read ends after this long even without input, so no wait hangs
    // on a driver that never completes one.
    static constexpr DWORD ReadSliceMs = 50;

    Win32SerialPort();
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

private:
    void startRead();
    // Takes in what a finished read brought, and what else is queued.
    void collect();
    void drainQueue();
    void cancelRead();

    std::u16string m_device;
    DWORD m_baudRate = 9600;
    BYTE m_parity = NOPARITY;
    BYTE m_dataBits = 8;
    BYTE m_stopBits = ONESTOPBIT;

    HANDLE m_port = INVALID_HANDLE_VALUE;
    HANDLE m_readDone = nullptr;
    OVERLAPPED m_read{};
    char m_byte = 0;
    bool m_reading = false;
    bool m_broken = false;
    std::string m_received;
};
