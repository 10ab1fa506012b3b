// The serial port on QSerialPort: settings are kept here and put on the port at
// each open, as the exchange opens it only for one command.
#pragma once

#include "platform/SerialPort.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>

class QtSerialPort : public SerialPort {
public:
    QtSerialPort();
    ~QtSerialPort() override;

    // The device [PORTS] maps "COMn" to, else the n-th serial device.
    std::u16string deviceForPort(std::int16_t port, const PortMapping &mapped) const override;
    bool selectPort(const std::u16string &deviceName) override;
    // "speed,parity,data bits,stop bits" as in "9600,N,8,1"; the speed must be a
    // rate the serial driver knows (no custom divisors), parity N, E, O, M or S,
    // 5 to 8 data bits, 1 or 2 stop bits.
    bool setLineSettings(const std::u16string &settings) override;

    bool open(int &errorNumber, std::u16string &errorText) override;
    bool isOpen() const override;
    void discardInput() override;
    void write(std::string_view data) override;
    std::int64_t waitingInput() override;
    std::string readAll() override;
    bool waitForInput(std::chrono::steady_clock::time_point deadline) override;
    void close() override;

private:
    QSerialPort m_port;
    // The wait for input: a loop woken by the port or by the deadline.
    QEventLoop m_wait;
    QTimer m_deadline;
    bool m_broken = false;
    QString m_deviceName;
    qint32 m_baudRate = 9600;
    QSerialPort::Parity m_parity = QSerialPort::NoParity;
    QSerialPort::DataBits m_dataBits = QSerialPort::Data8;
    QSerialPort::StopBits m_stopBits = QSerialPort::OneStop;
};
