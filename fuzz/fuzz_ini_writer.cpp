// A settings file and a run of writes to it. Input: the file's bytes up to the
// first NUL, then one write per NUL-separated record, "section\1key\1value" in
// UTF-8 (missing fields are empty).
//
// After every write: it was refused exactly when the names or the value cannot
// make a line that reads back, and then nothing changed; otherwise the file
// changed in one of the three ways a write may change it, every key written so
// far reads back its last value, and every line of the original file that no
// write touched is still there, byte for byte and in order.
#include "FuzzCheck.h"
#include "config/IniFile.h"
#include "text/Text.h"
#include "text/Utf.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using FuzzCheck::Bom;
using FuzzCheck::contains;
using FuzzCheck::isBlank;
using Lines = std::vector<std::string>;

constexpr int MaxWrites = 64;

bool hasLineEnd(const std::u16string &text)
{
    return contains(text, u'\n') || contains(text, u'\r');
}

bool isWritableName(const std::u16string &name)
{
    return !name.empty() && !hasLineEnd(name) && !isBlank(name.front()) && !isBlank(name.back());
}

// Whether the file must take the write: a name that would read back as
// something else, or a value that would end its line, is refused.
bool acceptable(const std::u16string &section, const std::u16string &key,
                const std::u16string &value)
{
    return isWritableName(section) && !contains(section, u']') && isWritableName(key) &&
           !contains(key, u'=') && key.front() != u';' && key.front() != u'#' &&
           key.front() != u'[' && !hasLineEnd(value);
}

std::u16string trimmedBlanks(const std::u16string &text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// The file's lines after its byte-order mark, each with its own line end.
Lines linesOf(const std::string &bytes, bool utf8)
{
    Lines lines;
    std::size_t pos = utf8 ? Bom.size() : 0;
    while (pos < bytes.size()) {
        const std::size_t lf = bytes.find('\n', pos);
        const std::size_t end = lf == std::string::npos ? bytes.size() : lf + 1;
        lines.push_back(bytes.substr(pos, end - pos));
        pos = end;
    }
    return lines;
}

// CR LF or LF; a lone CR only ends the file's last line.
std::string lineEndOf(const std::string &line)
{
    if (line.ends_with("\r\n"))
        return "\r\n";
    if (line.ends_with('\n'))
        return "\n";
    if (line.ends_with('\r'))
        return "\r";
    return {};
}

std::string textOf(const std::string &line)
{
    return line.substr(0, line.size() - lineEndOf(line).size());
}

// New lines end like the file's first line: LF after an LF line, else CR LF.
std::string newlineOf(const Lines &lines)
{
    if (!lines.empty() && lineEndOf(lines.front()) == "\n")
        return "\n";
    return "\r\n";
}

// The last line completed before something is added after it.
std::string completed(const std::string &line, const std::string &newline)
{
    if (line.ends_with('\n'))
        return line;
    if (line.ends_with('\r'))
        return line + '\n';
    return line + newline;
}

// The name of a key line, as its bytes: blanks before it and around it dropped.
std::optional<std::string> keyNameOf(const std::string &text)
{
    std::size_t first = 0;
    while (first < text.size() && isBlank(text[first]))
        ++first;
    const std::size_t eq = text.find('=', first);
    if (eq == std::string::npos)
        return std::nullopt;
    std::size_t end = eq;
    while (end > first && isBlank(text[end - 1]))
        --end;
    return text.substr(first, end - first);
}

struct Write {
    std::u16string section;
    std::u16string key;
    std::u16string value;
};

// A byte-order mark at the start of a field stays a character: names and
// values may begin with U+FEFF like any other.
std::u16string fieldText(std::string_view bytes)
{
    return Utf::fromUtf8KeepingMark(bytes);
}

// The pieces of `bytes` between the separators, empty ones kept.
Lines split(const std::string &bytes, char separator)
{
    Lines pieces;
    std::size_t at = 0;
    for (std::size_t hit = bytes.find(separator); hit != std::string::npos;
         hit = bytes.find(separator, at)) {
        pieces.push_back(bytes.substr(at, hit - at));
        at = hit + 1;
    }
    pieces.push_back(bytes.substr(at));
    return pieces;
}

Write writeFrom(const std::string &record)
{
    const Lines fields = split(record, '\1');
    Write write;
    if (fields.size() > 0)
        write.section = fieldText(fields[0]);
    if (fields.size() > 1)
        write.key = fieldText(fields[1]);
    if (fields.size() > 2)
        write.value = fieldText(fields[2]);
    return write;
}

struct Expected {
    std::u16string section;
    std::u16string key;
    std::u16string value;
};

std::optional<std::u16string> readBack(const IniFile &file, const std::u16string &section,
                                       const std::u16string &key)
{
    const std::optional<std::string> value = file.value(section, key);
    if (!value)
        return std::nullopt;
    return file.decode(*value);
}

// The change one accepted write made: lines [prefix, before.size() - suffix)
// of the old file became lines [prefix, after.size() - suffix) of the new one.
// Returns false unless the change is the key's line rewritten, a key line
// added, or the section added at the end.
bool isWriteShaped(const Lines &before, const Lines &after, std::size_t prefix, std::size_t suffix,
                   const IniFile &file, const Write &write)
{
    const Lines gone(before.begin() + static_cast<std::ptrdiff_t>(prefix),
                     before.end() - static_cast<std::ptrdiff_t>(suffix));
    const Lines added(after.begin() + static_cast<std::ptrdiff_t>(prefix),
                      after.end() - static_cast<std::ptrdiff_t>(suffix));
    const std::string value = file.encode(write.value);
    const std::string newline = newlineOf(before);

    // Rewritten in place (possibly to the same bytes): the key keeps its
    // spelling, the line its line end.
    if (gone.empty() && added.empty())
        return true;
    if (gone.size() == 1 && added.size() == 1) {
        const std::optional<std::string> name = keyNameOf(textOf(gone[0]));
        if (name && Text::equalsIgnoringCase(file.decode(*name), write.key) &&
            lineEndOf(gone[0]) == lineEndOf(added[0]) && textOf(added[0]) == *name + '=' + value)
            return true;
    }

    // Added: after a line that may need its line end first, which only the
    // file's last line can lack.
    Lines body = added;
    if (gone.size() == 1) {
        if (suffix != 0 || lineEndOf(gone[0]).ends_with('\n') || body.empty() ||
            body.front() != completed(gone[0], newline))
            return false;
        body.erase(body.begin());
    } else if (!gone.empty()) {
        return false;
    }
    const std::string keyLine = file.encode(write.key) + '=' + value + newline;
    if (body == Lines{keyLine})
        return true;
    const std::string header = '[' + file.encode(write.section) + ']' + newline;
    return suffix == 0 && body == Lines{header, keyLine};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
    const Lines records = split(input, '\0');
    IniFile file(records.front());
    // The line-by-line oracle below is for 8-bit files; a UTF-16 file is
    // written as its UTF-8 form would be, which the unit tests check.
    if (file.isUtf16())
        return 0;
    const bool utf8 = file.isUtf8();

    const Lines original = linesOf(file.bytes(), utf8);
    // For every line of the file as it is now, the original line it still is, or -1.
    std::vector<std::ptrdiff_t> origin;
    for (std::size_t i = 0; i < original.size(); ++i)
        origin.push_back(static_cast<std::ptrdiff_t>(i));
    std::vector<Expected> expected;

    int writes = 0;
    std::size_t changes = 0;
    for (std::size_t r = 1; r < records.size() && writes < MaxWrites; ++r, ++writes) {
        const Write write = writeFrom(records[r]);
        // Names the file's encoding cannot hold must be refused: written, they
        // would read back as other names.
        const bool namesHeld = file.decode(file.encode(write.section)) == write.section &&
                               file.decode(file.encode(write.key)) == write.key;

        const std::string bytesBefore = file.bytes();
        const bool accepted = file.setValue(write.section, write.key, write.value);
        CHECK(accepted == (namesHeld && acceptable(write.section, write.key, write.value)));
        if (!accepted) {
            CHECK(file.bytes() == bytesBefore);
            continue;
        }
        CHECK(file.isUtf8() == utf8 && file.bytes().starts_with(Bom) == utf8);
        ++changes;

        const Lines before = linesOf(bytesBefore, utf8);
        const Lines after = linesOf(file.bytes(), utf8);
        std::size_t prefix = 0;
        const std::size_t shorter = std::min(before.size(), after.size());
        while (prefix < shorter && before[prefix] == after[prefix])
            ++prefix;
        std::size_t suffix = 0;
        while (suffix < shorter - prefix &&
               before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
            ++suffix;
        CHECK(isWriteShaped(before, after, prefix, suffix, file, write));

        std::vector<std::ptrdiff_t> next(origin.begin(),
                                         origin.begin() + static_cast<std::ptrdiff_t>(prefix));
        for (std::size_t i = prefix; i < after.size() - suffix; ++i)
            next.push_back(-1);
        next.insert(next.end(), origin.end() - static_cast<std::ptrdiff_t>(suffix), origin.end());
        origin = next;
        CHECK(origin.size() == after.size());

        // The value reads back as the file's encoding holds it, without the
        // blanks around it.
        const std::u16string value = trimmedBlanks(file.decode(file.encode(write.value)));
        bool known = false;
        for (Expected &e : expected) {
            if (Text::equalsIgnoringCase(e.section, write.section) &&
                Text::equalsIgnoringCase(e.key, write.key)) {
                e.value = value;
                known = true;
            }
        }
        if (!known)
            expected.push_back(Expected{write.section, write.key, value});
        CHECK(readBack(file, write.section, write.key) == value);
    }

    // Every key written reads back its last value, in this file and in the
    // same bytes read afresh, as the next start of the program reads them.
    const IniFile fresh(file.bytes());
    CHECK(fresh.isUtf8() == utf8);
    for (const Expected &e : expected) {
        CHECK(readBack(file, e.section, e.key) == e.value);
        CHECK(readBack(fresh, e.section, e.key) == e.value);
    }

    // The untouched lines of the original, unchanged and in their order.
    const Lines now = linesOf(file.bytes(), utf8);
    std::ptrdiff_t previous = -1;
    std::size_t untouched = 0;
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (origin[i] < 0)
            continue;
        CHECK(origin[i] > previous);
        CHECK(now[i] == original[static_cast<std::size_t>(origin[i])]);
        previous = origin[i];
        ++untouched;
    }
    // A write touches at most one line of what was there.
    CHECK(untouched + changes >= original.size());
    return 0;
}
