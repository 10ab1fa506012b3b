// The call history a client of Nubrel's NCID server gets when it connects: the
// program's own 着信履歴.TXT, with names from the phonebook.
#pragma once

#include "ncid/NcidServer.h"
#include "state/ProgramState.h"

#include <cstdint>
#include <string>

class Phonebook;

class NcidHistoryLog final : public NcidCallLog {
public:
    // Enough of the file's end for the lines that fit in the call log's
    // budget, however long the history has grown over the years.
    static constexpr std::size_t TailBytes = 128 * 1024;

    // The history setting is read from the program's state at each client:
    // HistTxt 0 keeps it.
    NcidHistoryLog(std::u16string programFolder, const ProgramState &state, Phonebook &phonebook);
    NcidHistoryLog(std::u16string, ProgramState &&, Phonebook &) = delete;

    NcidText::History history(std::u16string &text) const override;
    std::u16string nameFor(const std::u16string &number) const override;
    // The history setting, the file's size and time, and the phonebook's
    // reading: whatever the start-up lines are built from.
    std::string version() const override;

private:
    std::u16string m_folder;
    const ProgramState &m_state;
    Phonebook &m_phonebook;
};
