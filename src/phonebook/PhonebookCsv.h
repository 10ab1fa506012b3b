// 電話帳.csv: one "number,name" a line. The name is everything after the first
// comma; a field wrapped in double quotes (as spreadsheets save it) is
// unwrapped, with "" inside standing for one ". CP932, or UTF-8 when the file
// starts with a byte-order mark. Blank lines, lines whose first character is
// '#' or ';', and lines without a number or a name are skipped.
#pragma once

#include "phonebook/PhonebookEntry.h"

#include <string>
#include <string_view>
#include <vector>

namespace PhonebookCsv {
std::vector<PhonebookEntry> read(std::string_view bytes);
} // namespace PhonebookCsv
