// How window geometry, font size and flags are written to and read from the
// settings file, with the fallback for hand-edited values.
#pragma once

#include <QString>
#include <optional>

namespace ValueText {
// The shortest decimal form of a single-precision number, "." as decimal mark.
QString formatSingle(double value);
// A number, or nothing when the text is not one.
std::optional<double> parseNumber(const QString &text);
// "True" / "False".
QString formatFlag(bool value);
// "True"/"False" in any case, or a number (nonzero is true); nothing otherwise.
std::optional<bool> parseFlag(const QString &text);
} // namespace ValueText
