// Dates and times as every file of the program writes them: "yyyy/mm/dd" and
// "hh:nn:ss", 24-hour, each field padded with zeros.
#pragma once

#include <string>

namespace DateText {
std::u16string date(int year, int month, int day);
std::u16string time(int hour, int minute, int second);
} // namespace DateText
