// 電話帳.vcf: vCard 2.1, 3.0 and 4.0 as phones and address books export them.
// Each card between BEGIN:VCARD and END:VCARD gives one entry for every TEL
// with the card's FN (or, without FN, its N as "family given"). Folded lines
// are unfolded; a 2.1 property may carry CHARSET= (UTF-8, Shift_JIS and its
// Windows forms, ISO-8859-1, US-ASCII) and ENCODING=QUOTED-PRINTABLE, whose
// soft line breaks join lines. Anything else is UTF-8. A card without END, a
// name or a number, and a property in a character set not listed, are skipped.
#pragma once

#include "phonebook/PhonebookEntry.h"

#include <string>
#include <string_view>
#include <vector>

namespace PhonebookVcard {
std::vector<PhonebookEntry> read(std::string_view bytes);
} // namespace PhonebookVcard
