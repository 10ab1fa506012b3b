// Any bytes as 電話帳.csv and as 電話帳.vcf: never fatal, and every entry is one
// the look-up can use. What is read, written back in the same form, reads the
// same again.
#include "FuzzCheck.h"
#include "phonebook/Phonebook.h"
#include "phonebook/PhonebookCsv.h"
#include "phonebook/PhonebookVcard.h"

#include "text/Text.h"
#include "text/Utf.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void checkEntries(const std::vector<PhonebookEntry> &entries)
{
    for (const PhonebookEntry &entry : entries) {
        // A number: digits only, normalised already, never the withheld mark.
        CHECK(!entry.number.empty());
        for (const char16_t c : entry.number)
            CHECK(c >= u'0' && c <= u'9');
        CHECK(PhonebookText::normaliseNumber(entry.number) == entry.number);
        CHECK(entry.number != u"99999999999");
        // A name: one line, no blanks around it.
        CHECK(!entry.name.empty());
        CHECK(entry.name == Text::trimmed(entry.name));
        CHECK(entry.name.find(char16_t(0xFEFF)) == std::u16string::npos);
        for (const char16_t c : entry.name) {
            const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
            CHECK(!control && c != 0x2028 && c != 0x2029); // nor a line or paragraph separator
        }
    }
    // The first entry of a number is the one found.
    const auto names = Phonebook::merge(entries, {});
    for (auto it = entries.crbegin(); it != entries.crend(); ++it)
        CHECK(names.contains(it->number));
    for (const PhonebookEntry &entry : entries) {
        if (names.at(entry.number) != entry.name) {
            bool earlier = false;
            for (const PhonebookEntry &other : entries) {
                if (&other == &entry)
                    break;
                earlier = earlier || other.number == entry.number;
            }
            CHECK(earlier);
        }
    }
}

std::string asCsv(const std::vector<PhonebookEntry> &entries)
{
    std::u16string text;
    for (const PhonebookEntry &entry : entries) {
        std::u16string name = entry.name;
        Text::replaceAll(name, u"\"", u"\"\"");
        text += entry.number + u",\"" + name + u"\"\r\n";
    }
    return FuzzCheck::Bom + Utf::toUtf8(text);
}

std::string asVcard(const std::vector<PhonebookEntry> &entries)
{
    std::string bytes;
    for (const PhonebookEntry &entry : entries) {
        std::u16string name = entry.name;
        Text::replaceAll(name, u"\\", u"\\\\");
        Text::replaceAll(name, u",", u"\\,");
        Text::replaceAll(name, u";", u"\\;");
        bytes += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + Utf::toUtf8(name) +
                 "\r\nTEL:" + Utf::toUtf8(entry.number) + "\r\nEND:VCARD\r\n";
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);

    const std::vector<PhonebookEntry> csv = PhonebookCsv::read(input);
    checkEntries(csv);
    CHECK(csv.size() <= static_cast<std::size_t>(std::count(input.begin(), input.end(), '\n')) + 1);
    CHECK(PhonebookCsv::read(asCsv(csv)) == csv);

    const std::vector<PhonebookEntry> vcard = PhonebookVcard::read(input);
    checkEntries(vcard);
    CHECK(PhonebookVcard::read(asVcard(vcard)) == vcard);
    return 0;
}
