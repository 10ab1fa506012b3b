// The serial device as the command exchange sees it: chosen by name, opened only
// for one exchange, and handled as raw bytes.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // The device that port n (1 for the first) stands for on this platform.
    // `mapped` gives what the user's settings map a port name ("COM2") to, the
    // empty text when nothing; a platform whose own names need no mapping never
    // asks it.
    using PortMapping = std::function<std::u16string(const std::u16string &portName)>;
    virtual std::u16string deviceForPort(std::int16_t port, const PortMapping &mapped) const = 0;

    // Both take effect at the next open; false when the port refuses the value,
    // in which case the previous one stays in force.
    virtual bool selectPort(const std::u16string &deviceName) = 0;
    virtual bool setLineSettings(const std::u16string &settings) = 0; // "9600,N,8,1"

    // On failure fills the platform's error number and description.
    virtual bool open(int &errorNumber, std::u16string &errorText) = 0;
    virtual bool isOpen() const = 0;
    virtual void discardInput() = 0;
    virtual void write(std::string_view data) = 0;
    virtual std::int64_t waitingInput() = 0;
    virtual std::string readAll() = 0;
    // Sleeps until input arrives or the deadline passes, letting every pending
    // event (timer ticks, menu commands, repaints, a shut-down) run meanwhile;
    // returns at once when input is waiting. False when the deadline passed, or
    // the program is ending, with nothing to read. A port whose device has gone
    // sleeps until the deadline, so callers never spin.
    virtual bool waitForInput(std::chrono::steady_clock::time_point deadline) = 0;
    virtual void close() = 0;
};
