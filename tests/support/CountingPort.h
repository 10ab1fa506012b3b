// A real serial port wrapped to count the reads and waits the exchange asks
// of it, and to let a test act before each wait (unplug the device, say).
#pragma once

#include "platform/SerialPort.h"

#include <functional>

class CountingPort final : public SerialPort {
public:
    explicit CountingPort(SerialPort &port) : m_port(port) {}
    std::u16string deviceForPort(std::int16_t n, const PortMapping &m) const override
    {
        return m_port.deviceForPort(n, m);
    }
    bool selectPort(const std::u16string &name) override { return m_port.selectPort(name); }
    bool setLineSettings(const std::u16string &s) override { return m_port.setLineSettings(s); }
    bool open(int &number, std::u16string &text) override { return m_port.open(number, text); }
    bool isOpen() const override { return m_port.isOpen(); }
    void discardInput() override { m_port.discardInput(); }
    void write(std::string_view data) override { m_port.write(data); }
    std::int64_t waitingInput() override { return m_port.waitingInput(); }
    std::string readAll() override
    {
        ++reads;
        return m_port.readAll();
    }
    bool waitForInput(std::chrono::steady_clock::time_point deadline) override
    {
        ++waits;
        if (beforeWait)
            beforeWait();
        return m_port.waitForInput(deadline);
    }
    void close() override { m_port.close(); }

    int waits = 0;
    int reads = 0;
    std::function<void()> beforeWait;

private:
    SerialPort &m_port;
};
