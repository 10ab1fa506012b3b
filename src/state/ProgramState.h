// The program-wide state shared by the main window and the parts it drives.
// Everything lives on the one user-interface thread.
#pragma once

#include "config/ProductEntry.h"
#include "platform/TrayIcon.h"

#include <cstdint>
#include <string>

// The withheld mark: LastNumber for every answer that is not a number.
inline const std::u16string WithheldMark = u"99999999999";

struct ProgramState {
    std::int32_t PollInterval = 10000;
    std::int16_t ComPort = 2;
    std::u16string ComSpeed = u"9600";
    std::int16_t HistTxt = 0;
    ProductEntry Product;
    std::u16string LastNumber;
    std::u16string LastName; // the phonebook's name for LastNumber; empty when unknown
    bool InTray = false;
    bool Stopped = false;
    bool EnvRegistered = false;

    // Of the main window itself.
    std::int16_t iTry = 0;
    std::int32_t LastCallNo = -2;
    bool BaselineRead = false;
    TrayIconData trayIconData;

    // Set once the shut-down sequence has run: every handler still on the
    // stack (an exchange's wait, a modal dialog) returns without acting.
    bool Unloaded = false;
};
