// The user's phonebook: 電話帳.csv and 電話帳.vcf in the program folder, both
// optional. Read at start-up and read again when a file has changed, which is
// looked at when a new number comes in; nothing polls the files.
#pragma once

#include "phonebook/PhonebookEntry.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class Phonebook {
public:
    static inline const std::u16string CsvFile = u"/電話帳.csv";
    static inline const std::u16string VcardFile = u"/電話帳.vcf";

    explicit Phonebook(std::u16string programFolder);

    // Reads both files again if either has changed, appeared or gone since
    // they were last read.
    void refresh();
    // The name for a number as the device reports it; empty when unknown and
    // always for the withheld mark.
    std::u16string nameFor(const std::u16string &number) const;
    std::size_t size() const { return m_names.size(); }
    // Counts the readings of the files: a new value, new names perhaps.
    std::uint64_t generation() const { return m_generation; }

    // The entries of both files: the first entry for a number wins, and the
    // CSV file, the one kept by hand, comes before the vCard export.
    static std::unordered_map<std::u16string, std::u16string>
    merge(const std::vector<PhonebookEntry> &csv, const std::vector<PhonebookEntry> &vcard);

private:
    // What tells a file's versions apart without reading it.
    struct Stamp {
        bool exists = false;
        std::int64_t modified = 0;
        std::int64_t size = 0;
        bool operator==(const Stamp &) const = default;
    };
    static Stamp stampOf(const std::u16string &path);

    std::u16string m_folder;
    Stamp m_csv;
    Stamp m_vcard;
    bool m_read = false;
    std::uint64_t m_generation = 0;
    std::unordered_map<std::u16string, std::u16string> m_names;
};
