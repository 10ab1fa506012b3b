// The whole program on Windows: every window and device, wired to the
// controller that decides.
#pragma once

#include "app/DataFolder.h"

#include <memory>

class Win32Program {
public:
    // The data folder holds the settings file, the history and the log; the
    // program folder the icons and the manual.
    explicit Win32Program(const DataFolder &folders);
    ~Win32Program();
    Win32Program(const Win32Program &) = delete;
    Win32Program &operator=(const Win32Program &) = delete;

    // Runs the start-up sequence, then the message loop until the program ends.
    int run();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};
