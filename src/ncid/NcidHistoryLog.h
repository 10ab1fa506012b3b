// The call history a client of Nubrel's NCID server gets when it connects: the
// program's own 着信履歴.TXT, with names from the phonebook.
#pragma once

#include "ncid/NcidServer.h"

#include <cstdint>
#include <string>

class Phonebook;

class NcidHistoryLog final : public NcidCallLog {
public:
    // Enough of the file's end for the lines that fit in the call log's
    // budget, however long the history has grown over the years.
    static constexpr std::size_t TailBytes = 128 * 1024;

    // `histTxt` is the history setting as the program holds it: 0 keeps it.
    NcidHistoryLog(std::u16string programFolder, const std::int16_t &histTxt, Phonebook &phonebook);

    NcidText::History history(std::u16string &text) const override;
    std::u16string nameFor(const std::u16string &number) const override;

private:
    std::u16string m_folder;
    const std::int16_t &m_histTxt;
    Phonebook &m_phonebook;
};
