#include "phonebook/Phonebook.h"

#include "phonebook/PhonebookCsv.h"
#include "phonebook/PhonebookVcard.h"
#include "platform/Files.h"

namespace {

std::string readAll(const std::u16string &path)
{
    std::string bytes;
    if (!Files::read(path, bytes))
        bytes.clear();
    return bytes;
}

} // namespace

Phonebook::Phonebook(std::u16string programFolder) : m_folder(std::move(programFolder)) {}

Phonebook::Stamp Phonebook::stampOf(const std::u16string &path)
{
    const std::optional<Files::Info> info = Files::info(path);
    if (!info)
        return {};
    return Stamp{true, info->modified, info->size};
}

void Phonebook::refresh()
{
    const std::u16string csvPath = m_folder + CsvFile;
    const std::u16string vcardPath = m_folder + VcardFile;
    const Stamp csv = stampOf(csvPath);
    const Stamp vcard = stampOf(vcardPath);
    if (m_read && csv == m_csv && vcard == m_vcard)
        return;
    m_csv = csv;
    m_vcard = vcard;
    m_read = true;
    ++m_generation;
    m_names = merge(
        csv.exists ? PhonebookCsv::read(readAll(csvPath)) : std::vector<PhonebookEntry>(),
        vcard.exists ? PhonebookVcard::read(readAll(vcardPath)) : std::vector<PhonebookEntry>());
}

std::unordered_map<std::u16string, std::u16string>
Phonebook::merge(const std::vector<PhonebookEntry> &csv, const std::vector<PhonebookEntry> &vcard)
{
    std::unordered_map<std::u16string, std::u16string> names;
    names.reserve(csv.size() + vcard.size());
    for (const std::vector<PhonebookEntry> *entries : {&csv, &vcard}) {
        for (const PhonebookEntry &entry : *entries)
            names.try_emplace(entry.number, entry.name);
    }
    return names;
}

std::u16string Phonebook::nameFor(const std::u16string &number) const
{
    // Neither an empty number nor the withheld mark is ever a key.
    const auto found = m_names.find(PhonebookText::normaliseNumber(number));
    return found == m_names.end() ? std::u16string() : found->second;
}
