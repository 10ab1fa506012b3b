// The one place that converts between the program's text and the Japanese
// Windows code page used by every file it reads or writes. Each platform
// provides the conversion with the system's own table for code page 932.
#pragma once

#include <string>
#include <string_view>

namespace Cp932 {
// Bytes that are not valid CP932 become U+FFFD.
std::u16string decode(std::string_view bytes);
// Characters CP932 cannot hold become '?', as the Windows conversion does.
std::string encode(std::u16string_view text);
} // namespace Cp932
