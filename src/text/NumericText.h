// The numeric-text test used for speeds and caller numbers: blanks around the
// text are ignored; what remains is an optionally signed decimal numeral with
// optional thousands separators, decimal point and exponent. Empty is not a number.
#pragma once

#include <string_view>

bool IsNumeric(std::u16string_view text);
