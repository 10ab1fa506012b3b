// The phonebook: numbers as people write them, the CSV and vCard files as
// spreadsheets, phones and address books save them, and reading them again.
#include "ProgramFolder.h"
#include "phonebook/Phonebook.h"
#include "phonebook/PhonebookCsv.h"
#include "phonebook/PhonebookVcard.h"
#include "platform/Cp932.h"

#include "TestText.h"
#include "text/Text.h"
#include "text/Utf.h"

#include <gtest/gtest.h>

namespace {

std::vector<PhonebookEntry>
entries(std::initializer_list<std::pair<const char *, const char *>> list)
{
    std::vector<PhonebookEntry> result;
    for (const auto &[number, name] : list)
        result.push_back({Utf::fromUtf8(number), Utf::fromUtf8(name)});
    return result;
}

void writeUtf8(const ProgramFolder &folder, const std::u16string &name, const char *text)
{
    folder.writeBytes(name, std::string(text));
}

} // namespace

TEST(PhonebookText, NumbersMatchAfterNormalising)
{
    const struct {
        const char *written;
        const char *normalised;
    } cases[] = {
        {"0312345678", "0312345678"},
        {"03-1234-5678", "0312345678"},
        {"(03) 1234.5678", "0312345678"},
        {"+81 3-1234-5678", "0312345678"},
        {"81312345678", "0312345678"},
        {"+81 (0)3-1234-5678", "0312345678"}, // the trunk 0 is kept once
        {"+81-90-1234-5678", "09012345678"},
        {"０３－１２３４－５６７８", "0312345678"}, // full-width digits and hyphens
        {"tel:+81-3-1234-5678", "0312345678"},
        {"81", "81"}, // nothing after the prefix: no number to make
        {"NONE", ""},
        {"", ""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(PhonebookText::normaliseNumber(Utf::fromUtf8(c.written)),
                  Utf::fromUtf8(c.normalised))
            << c.written;
    }
    EXPECT_TRUE(PhonebookText::makeEntry(u"99999999999", u"誰か").number.empty())
        << "the withheld mark never gets a name";
    EXPECT_EQ(PhonebookText::cleanName(u"\t山田\r\n太郎 "), u"山田  太郎"s);
    // A mark after a blank reads as one at the start of the value, where UTF-8
    // decoding drops it.
    EXPECT_EQ(PhonebookText::cleanName(u" \uFEFF山田\uFEFF太郎"), u"山田太郎"s);
}

TEST(PhonebookCsv, ReadsLinesAsPeopleWriteThem)
{
    // CP932, as a spreadsheet on Japanese Windows saves it.
    const std::string cp932 = Cp932::encode(u"# 自宅の電話帳\r\n"
                                            "03-1234-5678,山田 太郎\r\n"
                                            "\r\n"
                                            "; 会社\r\n"
                                            "  0452223333 , 鈴木,営業部 \r\n"
                                            "\"06-1111-2222\",\"田中, \"\"花子\"\"\"\r\n"
                                            "番号なし\r\n"
                                            "0120444555,\r\n"
                                            ",名前だけ\r\n"
                                            "99999999999,非通知さん\r\n"
                                            "+81 90 1234 5678,<b>x</b> &amp;"s);
    EXPECT_EQ(PhonebookCsv::read(cp932), entries({{"0312345678", "山田 太郎"},
                                                  {"0452223333", "鈴木,営業部"},
                                                  {"0611112222", "田中, \"花子\""},
                                                  {"09012345678", "<b>x</b> &amp;"}}));

    // UTF-8 only with a byte-order mark; LF line ends.
    EXPECT_EQ(PhonebookCsv::read("\xEF\xBB\xBF"
                                 "0312345678,髙橋 😀\n"),
              entries({{"0312345678", "髙橋 😀"}}));
    EXPECT_TRUE(PhonebookCsv::read(std::string("\x81\n,\n\n#,\n", 8)).empty());
}

TEST(PhonebookVcard, ReadsWhatPhonesAndAddressBooksExport)
{
    // 2.1 from a phone: Shift_JIS in quoted-printable with soft line breaks,
    // types as bare parameters, a photo in BASE64 over folded lines.
    std::string v21 =
        "BEGIN:VCARD\r\nVERSION:2.1\r\n"
        "N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=8E=52=93=63;=91=BE=98=59;;;\r\n"
        "FN;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=8E=52=93=63=20=\r\n"
        "=91=BE=98=59\r\n"
        "TEL;HOME;VOICE:03-1234-5678\r\n"
        "TEL;CELL:090-1111-2222\r\n"
        "PHOTO;ENCODING=BASE64;TYPE=JPEG:/9j/4AAQ\r\n"
        " SkZJRgABAQ==\r\n\r\n"
        "END:VCARD\r\n";
    // 3.0 from an address book: a folded FN with escapes, a grouped TEL.
    v21 += "BEGIN:VCARD\nVERSION:3.0\nFN:Tanaka\\, Hanako\n  (Office)\n"
           "item1.TEL;TYPE=WORK:+81 6-1111-2222\nEND:VCARD\n";
    // 4.0: the number as a tel: URI, a name with characters CP932 lacks.
    v21 += "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:髙橋 😀\r\n"
           "TEL;VALUE=uri;TYPE=\"voice,home\":tel:+81-45-222-3333;ext=12\r\nEND:VCARD\r\n";
    // Skipped: no number; no name; a character set not known; no END.
    v21 += "BEGIN:VCARD\r\nFN:番号なし\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nTEL:0311112222\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nFN;CHARSET=KOI8-R:x\r\nTEL:0322223333\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nFN:途中\r\nTEL:0333334444\r\n"
           "BEGIN:VCARD\r\nN:Only;Structured;;;\r\nTEL:0344445555\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nFN:終わらない\r\nTEL:0355556666\r\n";
    EXPECT_EQ(PhonebookVcard::read(v21), entries({{"0312345678", "山田 太郎"},
                                                  {"09011112222", "山田 太郎"},
                                                  {"0611112222", "Tanaka, Hanako (Office)"},
                                                  {"0452223333", "髙橋 😀"},
                                                  {"0344445555", "Only Structured"}}));
    EXPECT_TRUE(PhonebookVcard::read("FN:x\r\nTEL:0312345678\r\nEND:VCARD\r\n").empty());
}

TEST(Phonebook, ReadsBothFilesAndReadsThemAgainWhenTheyChange)
{
    ProgramFolder folder;
    Phonebook book(folder.path());
    book.refresh();
    EXPECT_EQ(book.size(), 0) << "neither file is needed";
    EXPECT_TRUE(book.nameFor(u"0312345678"s).empty());

    folder.writeBytes(u"電話帳.csv"s, Cp932::encode(u"0312345678,山田\r\n0312345678,二番目\r\n"s));
    writeUtf8(folder, u"電話帳.vcf"s,
              "BEGIN:VCARD\nFN:vCardの山田\nTEL:03-1234-5678\nTEL:0452223333\nEND:VCARD\n");
    EXPECT_TRUE(book.nameFor(u"0312345678"s).empty()) << "not read yet";
    book.refresh();
    EXPECT_EQ(book.nameFor(u"0312345678"s), u"山田"s)
        << "the first entry wins, and the CSV file before the vCard";
    EXPECT_EQ(book.nameFor(u"+81452223333"s), u"vCardの山田"s);
    EXPECT_TRUE(book.nameFor(u"99999999999"s).empty());

    // A change of the same size: the time tells it.
    const std::u16string csv = folder.file(u"電話帳.csv"s);
    folder.writeBytes(u"電話帳.csv"s, Cp932::encode(u"0312345678,佐藤\r\n0312345678,二番目\r\n"s));
    ASSERT_TRUE(touchAhead(csv, 5));
    book.refresh();
    EXPECT_EQ(book.nameFor(u"0312345678"s), u"佐藤"s);

    ASSERT_TRUE(removeFile(csv));
    book.refresh();
    EXPECT_EQ(book.nameFor(u"0312345678"s), u"vCardの山田"s)
        << "a file taken away takes its names with it";
}
