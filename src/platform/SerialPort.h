// The serial device as the command exchange sees it: chosen by name, opened only
// for one exchange, and handled as raw bytes.
#pragma once

#include <QByteArray>
#include <QString>

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Both take effect at the next open; false when the port refuses the value,
    // in which case the previous one stays in force.
    virtual bool selectPort(const QString &deviceName) = 0;
    virtual bool setLineSettings(const QString &settings) = 0; // "9600,N,8,1"

    // On failure fills the platform's error number and description.
    virtual bool open(int &errorNumber, QString &errorText) = 0;
    virtual bool isOpen() const = 0;
    virtual void discardInput() = 0;
    virtual void write(const QByteArray &data) = 0;
    virtual qint64 waitingInput() = 0;
    virtual QByteArray readAll() = 0;
    // Blocks until input may have arrived or the pause has passed; never longer.
    // A port whose device has gone still waits the whole pause, so callers never spin.
    virtual void waitForInput(int microseconds) = 0;
    virtual void close() = 0;
};
