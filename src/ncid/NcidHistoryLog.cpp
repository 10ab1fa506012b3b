#include "ncid/NcidHistoryLog.h"

#include "phonebook/Phonebook.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "state/ProgramFiles.h"

NcidHistoryLog::NcidHistoryLog(std::u16string programFolder, const ProgramState &state,
                               Phonebook &phonebook)
    : m_folder(std::move(programFolder)), m_state(state), m_phonebook(phonebook)
{
}

NcidText::History NcidHistoryLog::history(std::u16string &text) const
{
    text.clear();
    if (m_state.HistTxt != 0)
        return NcidText::History::Off;
    std::string bytes;
    bool whole = true;
    if (!Files::readTail(m_folder + ProgramFiles::HistoryFile, TailBytes, bytes, whole))
        return NcidText::History::Missing;
    // A tail begins inside a line; LF is never part of a CP932 character, so
    // cutting after the first one leaves whole lines and whole characters.
    std::string_view lines = bytes;
    if (!whole) {
        const std::size_t lineEnd = lines.find('\n');
        lines = lineEnd == std::string_view::npos ? std::string_view() : lines.substr(lineEnd + 1);
    }
    text = Cp932::decode(lines);
    m_phonebook.refresh();
    return NcidText::History::Present;
}

std::u16string NcidHistoryLog::nameFor(const std::u16string &number) const
{
    return m_phonebook.nameFor(number);
}

std::string NcidHistoryLog::version() const
{
    m_phonebook.refresh();
    std::string text =
        std::to_string(m_state.HistTxt) + "/" + std::to_string(m_phonebook.generation());
    if (const auto file = Files::info(m_folder + ProgramFiles::HistoryFile))
        text += "/" + std::to_string(file->size) + "/" + std::to_string(file->modified);
    return text;
}
