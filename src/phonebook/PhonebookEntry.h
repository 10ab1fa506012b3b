// One number and name of the user's phonebook, and the rules both readers
// share for turning what a file holds into them.
#pragma once

#include <string>
#include <string_view>

struct PhonebookEntry {
    std::u16string number; // digits only, as normaliseNumber gives them
    std::u16string name;
    bool operator==(const PhonebookEntry &) const = default;
};

namespace PhonebookText {
// Digits only: blanks, hyphens, parentheses, dots and anything else that is
// not a digit are dropped (full-width digits count as digits), and a country
// prefix 81, written with or without '+', becomes the trunk 0. "+81 (0)3-…"
// keeps its one 0. Empty when no digit is left.
std::u16string normaliseNumber(std::u16string_view text);

// A name as it may be shown on one line: control characters (a line end an
// address book kept inside a name, a tab) become blanks, byte-order marks go,
// and so do the blanks around it.
std::u16string cleanName(std::u16string_view text);

// Bytes taken by a UTF-8 byte-order mark at the start of a file: 3, or 0.
std::size_t utf8MarkLength(std::string_view bytes);

// The entry for one number and name; an empty number when either is empty, or
// when the number is the withheld mark, which must never find a name.
PhonebookEntry makeEntry(std::u16string_view number, std::u16string_view name);
} // namespace PhonebookText
