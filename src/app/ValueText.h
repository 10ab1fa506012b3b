// How window geometry, font size and flags are written to and read from the
// settings file, with the fallback for hand-edited values.
#pragma once

#include <optional>
#include <string>

namespace ValueText {
// The shortest decimal form of a single-precision number, "." as decimal mark.
std::u16string formatSingle(double value);
// A number, or nothing when the text is not one.
std::optional<double> parseNumber(const std::u16string &text);
// "True" / "False".
std::u16string formatFlag(bool value);
// "True"/"False" in any case, or a number (nonzero is true); nothing otherwise.
std::optional<bool> parseFlag(const std::u16string &text);
} // namespace ValueText
