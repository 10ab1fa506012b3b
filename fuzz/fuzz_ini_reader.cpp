// Any bytes as the settings file: reading must not change them, must find what
// entries() lists, and must hand out values the way the settings reads use them.
#include "FuzzCheck.h"
#include "config/IniFile.h"
#include "text/Text.h"
#include "text/Utf.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using FuzzCheck::Bom;
using FuzzCheck::contains;
using FuzzCheck::isBlank;

// The longest value a string read delivers.
constexpr int MaxValueBytes = 255;

bool hasOuterBlank(const std::u16string &text)
{
    return !text.empty() && (isBlank(text.front()) || isBlank(text.back()));
}

// ASCII letters swapped in case: the names must still match.
std::u16string swapAsciiCase(std::u16string text)
{
    for (char16_t &c : text) {
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - 0x20);
        else if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + 0x20);
    }
    return text;
}

void checkValue(const IniFile &file, const std::string &input, const std::string &value)
{
    // A key line's value: a piece of one line, trimmed of blanks and tabs.
    CHECK(!contains(value, '\n'));
    if (!value.empty()) {
        CHECK(!isBlank(value.front()) && !isBlank(value.back()));
        CHECK(contains(input, value));
    }
    // What a string read delivers: a prefix that ends between two characters.
    for (const int limit : {0, 1, 2, 3, MaxValueBytes, int(value.size()) - 1}) {
        const std::string cut = file.cut(value, limit);
        CHECK(cut.size() <= static_cast<std::size_t>(std::max(limit, 0)));
        CHECK(value.starts_with(cut));
        if (limit >= static_cast<int>(value.size()))
            CHECK(cut == value);
        CHECK(file.decode(value).starts_with(file.decode(cut)));
    }
}

void checkQuery(const IniFile &file, const std::string &input,
                const std::vector<IniFile::Entry> &entries, const std::u16string &section,
                const std::u16string &key)
{
    const std::optional<std::string> value = file.value(section, key);
    CHECK(file.value(swapAsciiCase(section), swapAsciiCase(key)) == value);
    if (!value)
        return;
    CHECK(!section.empty() && !key.empty());
    bool listed = false;
    for (const IniFile::Entry &entry : entries) {
        if (Text::equalsIgnoringCase(entry.section, section) &&
            Text::equalsIgnoringCase(entry.key, key))
            listed = true;
    }
    CHECK(listed);
    checkValue(file, input, *value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
    const IniFile file(input);

    // Reading leaves every byte as it was.
    CHECK(file.bytes() == input);
    CHECK(file.isUtf8() == input.starts_with(Bom));
    CHECK(file.isUtf16() == (input.starts_with("\xFF\xFE") || input.starts_with("\xFE\xFF")));

    // Values are pieces of the text as the file holds it: a UTF-16 file as UTF-8.
    std::string text = input;
    if (file.isUtf16()) {
        const auto order = input.starts_with("\xFF\xFE") ? Utf::ByteOrder::LittleEndian
                                                         : Utf::ByteOrder::BigEndian;
        text = Bom + Utf::toUtf8(Utf::fromUtf16(std::string_view(input).substr(2), order));
    }

    const std::vector<IniFile::Entry> entries = file.entries();
    for (const IniFile::Entry &entry : entries) {
        // Names come trimmed; a key ends at the line's first '=', a section
        // name at its first ']' that is not the second byte of a character.
        CHECK(!hasOuterBlank(entry.section));
        CHECK(!hasOuterBlank(entry.key));
        CHECK(!contains(entry.key, u'=') && !contains(entry.section, u']'));
        CHECK(!contains(entry.key, u'\n') && !contains(entry.section, u'\n'));
        checkQuery(file, text, entries, entry.section, entry.key);
    }
    // The names the program reads, present or not.
    static const char *const names[][2] = {
        {"ENV", "TIMER"},
        {"ENV", "COMPORT"},
        {"ENV", "COMSPEED"},
        {"ENV", "HISTTXT"},
        {"NUBREL", "PRODUCTSIDX"},
        {"NUBREL", "PRODUCTSLISTCNT"},
        {"NUBREL", "PRODUCTSLIST0"},
        {"PORTS", "COM2"},
    };
    for (const auto &name : names)
        checkQuery(file, text, entries, Text::fromLatin1(name[0]), Text::fromLatin1(name[1]));
    checkQuery(file, text, entries, std::u16string(), u"TIMER");
    checkQuery(file, text, entries, u"ENV", std::u16string());

    // The same bytes read again give the same file.
    const IniFile again(file.bytes());
    CHECK(again.entries().size() == entries.size());
    return 0;
}
