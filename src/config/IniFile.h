// A settings file as bytes: finds sections and keys without regard to case and
// changes one line at a time, leaving every other byte as it was.
//
// Lines end at LF; a CR before the LF is not part of the line's text. After
// blanks, '[' opens a section header (when a ']' closes it), ';' or '#' a
// comment, and a line with '=' is a key line (key and value trimmed of blanks
// and tabs). The first matching section and the first matching key in it
// count; key lines before the first header belong to no section. A file that
// starts with a UTF-8 byte-order mark is read and written as UTF-8; one with a
// UTF-16 mark (what Notepad saves as "Unicode") as UTF-16 of that byte order,
// held as UTF-8 in between; any other as CP932.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
public:
    explicit IniFile(std::string bytes = {});

    // The file's bytes: as read until a value is set.
    std::string bytes() const;
    bool isUtf8() const { return m_utf8 && m_utf16 == Utf16::None; }
    bool isUtf16() const { return m_utf16 != Utf16::None; }
    std::u16string decode(std::string_view bytes) const;
    std::string encode(const std::u16string &text) const;
    // The longest prefix of at most `limit` bytes that ends between two
    // characters of the file's encoding.
    std::string cut(std::string_view bytes, int limit) const;

    // The value's bytes, or nothing when the section or the key is missing.
    std::optional<std::string> value(const std::u16string &section,
                                     const std::u16string &key) const;
    // Rewrites the key's line, or adds the key after the last key of its
    // section, or adds the section at the end. False, and nothing changed, when
    // the names or the value cannot be written as a line that reads back (an
    // empty name, a line end, '=' in a key, ']' in a section, blanks around a
    // name, a key that would read as a comment or a header, a name the file's
    // encoding cannot hold).
    bool setValue(const std::u16string &section, const std::u16string &key,
                  const std::u16string &value);

    struct Entry {
        std::u16string section;
        std::u16string key;
    };
    // The key lines that belong to a section, in file order.
    std::vector<Entry> entries() const;

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        std::size_t begin = 0;   // first byte of the line
        std::size_t textEnd = 0; // end of its text, before CR LF or LF
        std::size_t end = 0;     // after its line end
        Kind kind = Kind::Other;
        std::size_t nameBegin = 0; // section name or key, blanks trimmed
        std::size_t nameEnd = 0;
        std::size_t valueBegin = 0; // key lines only, blanks trimmed
        std::size_t valueEnd = 0;
        std::u16string name;
    };
    struct Place {
        std::ptrdiff_t header = -1; // line of the section header
        std::ptrdiff_t last = -1;   // last key line of the section, or its header
        std::ptrdiff_t key = -1;    // line of the key
    };

    void parse();
    Line parseLine(std::size_t begin, std::size_t textEnd, std::size_t end) const;
    std::size_t sectionNameEnd(std::size_t from, std::size_t textEnd) const;
    Place find(const std::u16string &section, const std::u16string &key) const;
    std::string newline() const;
    std::string missingLineEnd(const Line &line) const;

    enum class Utf16 { None, LittleEndian, BigEndian };

    std::string m_bytes; // UTF-16 files as UTF-8 with its mark
    bool m_utf8 = false;
    Utf16 m_utf16 = Utf16::None;
    std::string m_read; // a UTF-16 file's bytes as read
    bool m_changed = false;
    std::vector<Line> m_lines;
};
