// Makes a number from the device the current one: title, colour, tray tooltip
// and, past the first answer, a history line.
#pragma once

#include "state/ProgramState.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class MainView;
class TrayIcon;
class HistoryFile;
class Phonebook;
class CallAnnouncer;

class CallRecorder {
public:
    static constexpr std::uint32_t NumberColor = 0x0000FF; // RGB 0, 0, 255
    static constexpr std::uint32_t WithheldColor = 0x000000;

    CallRecorder(ProgramState &state, MainView &view, TrayIcon &tray, HistoryFile &history);

    // `number` becomes the withheld mark when it is not a number; `result` is 1
    // when a new number was recorded.
    void RecordCall(std::u16string &number, bool changed, std::int16_t &result);
    // The same for a call whose source knows a name: it stands where the
    // phonebook knows none.
    void RecordCall(std::u16string &number, bool changed, std::int16_t &result,
                    std::u16string_view knownName);

    // Each new call passed on (the calls the announcer gets), with the number
    // as the history writes it and the name the displays show.
    using CallListener =
        std::function<void(const std::u16string &number, const std::u16string &name)>;
    void setCallListener(CallListener listener) { m_listener = std::move(listener); }

    // Names for the numbers, and the calls passed on; either may be absent.
    void setPhonebook(Phonebook *phonebook) { m_phonebook = phonebook; }
    void setAnnouncer(CallAnnouncer *announcer) { m_announcer = announcer; }

private:
    ProgramState &m_state;
    MainView &m_view;
    TrayIcon &m_tray;
    HistoryFile &m_history;
    Phonebook *m_phonebook = nullptr;
    CallAnnouncer *m_announcer = nullptr;
    CallListener m_listener;
};
