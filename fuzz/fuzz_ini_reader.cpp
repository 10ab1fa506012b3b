// Any bytes as the settings file: reading must not change them, must find what
// entries() lists, and must hand out values the way the settings reads use them.
#include "FuzzCheck.h"
#include "config/IniFile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using FuzzCheck::Bom;
using FuzzCheck::isBlank;

// The longest value a string read delivers.
constexpr int MaxValueBytes = 255;

bool hasOuterBlank(const QString &text)
{
    return !text.isEmpty() && (isBlank(text.front()) || isBlank(text.back()));
}

// ASCII letters swapped in case: the names must still match.
QString swapAsciiCase(QString text)
{
    for (QChar &c : text) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 0x20);
        else if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 0x20);
    }
    return text;
}

void checkValue(const IniFile &file, const QByteArray &input, const QByteArray &value)
{
    // A key line's value: a piece of one line, trimmed of blanks and tabs.
    CHECK(!value.contains('\n'));
    if (!value.isEmpty()) {
        CHECK(!isBlank(value.front()) && !isBlank(value.back()));
        CHECK(input.contains(value));
    }
    // What a string read delivers: a prefix that ends between two characters.
    for (const int limit : {0, 1, 2, 3, MaxValueBytes, int(value.size()) - 1}) {
        const QByteArray cut = file.cut(value, limit);
        CHECK(cut.size() <= std::max(limit, 0));
        CHECK(value.startsWith(cut));
        if (limit >= value.size())
            CHECK(cut == value);
        CHECK(file.decode(value).startsWith(file.decode(cut)));
    }
}

void checkQuery(const IniFile &file, const QByteArray &input, const QList<IniFile::Entry> &entries,
                const QString &section, const QString &key)
{
    const std::optional<QByteArray> value = file.value(section, key);
    CHECK(file.value(swapAsciiCase(section), swapAsciiCase(key)) == value);
    if (!value)
        return;
    CHECK(!section.isEmpty() && !key.isEmpty());
    bool listed = false;
    for (const IniFile::Entry &entry : entries) {
        if (entry.section.compare(section, Qt::CaseInsensitive) == 0 &&
            entry.key.compare(key, Qt::CaseInsensitive) == 0)
            listed = true;
    }
    CHECK(listed);
    checkValue(file, input, *value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const IniFile file(input);

    // Reading leaves every byte as it was.
    CHECK(file.bytes() == input);
    CHECK(file.isUtf8() == input.startsWith(Bom));
    CHECK(file.isUtf16() == (input.startsWith("\xFF\xFE") || input.startsWith("\xFE\xFF")));

    // Values are pieces of the text as the file holds it: a UTF-16 file as UTF-8.
    QByteArray text = input;
    if (file.isUtf16()) {
        QStringDecoder utf16(input.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                          : QStringDecoder::Utf16BE);
        text = Bom + QString(utf16.decode(QByteArrayView(input).sliced(2))).toUtf8();
    }

    const QList<IniFile::Entry> entries = file.entries();
    for (const IniFile::Entry &entry : entries) {
        // Names come trimmed; a key ends at the line's first '=', a section
        // name at its first ']' that is not the second byte of a character.
        CHECK(!hasOuterBlank(entry.section));
        CHECK(!hasOuterBlank(entry.key));
        CHECK(!entry.key.contains(u'=') && !entry.section.contains(u']'));
        CHECK(!entry.key.contains(u'\n') && !entry.section.contains(u'\n'));
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
        checkQuery(file, text, entries, QString::fromLatin1(name[0]), QString::fromLatin1(name[1]));
    checkQuery(file, text, entries, QString(), QStringLiteral("TIMER"));
    checkQuery(file, text, entries, QStringLiteral("ENV"), QString());

    // The same bytes read again give the same file.
    const IniFile again(file.bytes());
    CHECK(again.entries().size() == entries.size());
    return 0;
}
