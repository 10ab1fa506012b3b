// The serial device as the command exchange sees it: chosen by name, opened only
// for one exchange, and handled as raw bytes.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
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
    // Sleeps until input arrives or the deadline passes, letting every pending
    // event (timer ticks, menu commands, repaints, a shut-down) run meanwhile;
    // returns at once when input is waiting. False when the deadline passed, or
    // the program is ending, with nothing to read. A port whose device has gone
    // sleeps until the deadline, so callers never spin.
    virtual bool waitForInput(QDeadlineTimer deadline) = 0;
    virtual void close() = 0;
};
