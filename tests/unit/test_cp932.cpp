// The conversion to and from the Japanese Windows code page, and the cut that
// keeps double-byte characters whole.
#include "platform/Cp932.h"
#include "text/Cp932Bytes.h"

#include "TestText.h"
#include "text/Text.h"

#include <gtest/gtest.h>

namespace {
std::string bytes(const char *text, std::size_t size)
{
    return std::string(text, size);
}
} // namespace

TEST(Cp932, EncodesAsWindowsDoesAndReadsItsOwnBytesBack)
{
    const struct {
        std::u16string text;
        std::string cp932;
    } cases[] = {
        {u"ＭＳ Ｐゴシック"s,
         std::string("\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E")},
        {u"ｴﾗｰ番号"s, std::string("\xB4\xD7\xB0\x94\xD4\x8D\x86")},
        // Backslash and tilde stay ASCII: "SHIFT_JIS" tables turn them into ¥ and ‾.
        {u"C:\\a~b"s, std::string("C:\\a~b")},
        // ソ and ゾ end in the bytes of '\' and ']'.
        {u"ソゾ"s, std::string("\x83\x5C\x83\x5D")},
        {u"着信履歴.TXT"s, std::string("\x92\x85\x90\x4D\x97\x9A\x97\xF0.TXT")},
        {std::u16string(), std::string()},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Cp932::encode(c.text), c.cp932) << utf8(c.text);
        EXPECT_EQ(Cp932::decode(c.cp932), c.text) << utf8(c.text);
    }

    // Longer than one conversion buffer: nothing is lost at the seams.
    const std::u16string many = std::u16string(3000, char16_t(u'番')) + u'x';
    EXPECT_EQ(Cp932::encode(many).size(), 6001);
    EXPECT_EQ(Cp932::decode(Cp932::encode(many)), many);
}

// Text typed or pasted elsewhere holds the JIS forms of these characters.
// Windows' own table turns the minus sign, wave dash and double vertical line
// into '?' and reaches the cent, pound and not signs by best fit only: both
// forms are written as the pair, which reads back as Windows reads it, on
// every platform.
TEST(Cp932, WritesTheJisAndWindowsFormsOfTheSpecialPairsAlike)
{
    const struct {
        char16_t jis;
        char16_t windows;
        std::string cp932;
    } cases[] = {
        {0x2212, 0xFF0D, std::string("\x81\x7C")}, // minus sign
        {0x301C, 0xFF5E, std::string("\x81\x60")}, // wave dash
        {0x2016, 0x2225, std::string("\x81\x61")}, // double vertical line
        {0x00A2, 0xFFE0, std::string("\x81\x91")}, // cent sign
        {0x00A3, 0xFFE1, std::string("\x81\x92")}, // pound sign
        {0x00AC, 0xFFE2, std::string("\x81\xCA")}, // not sign
    };
    for (const auto &c : cases) {
        const std::u16string jis(1, c.jis);
        const std::u16string windows(1, c.windows);
        EXPECT_EQ(Cp932::encode(jis), c.cp932) << hex(utf8(jis));
        EXPECT_EQ(Cp932::encode(u"a"s + jis + u"b"s), "a" + c.cp932 + "b") << hex(utf8(jis));
        EXPECT_EQ(Cp932::encode(windows), c.cp932) << hex(utf8(windows));
        EXPECT_EQ(Cp932::decode(c.cp932), windows) << hex(c.cp932);
    }
}

TEST(Cp932, CharactersItCannotHoldBecomeOneQuestionMarkEach)
{
    const struct {
        std::u16string text;
        std::string cp932;
    } cases[] = {
        {u"é"s, std::string("?")},
        {u"ééa"s, std::string("??a")},
        {u"a😀b"s, std::string("a?b")}, // one character, two UTF-16 units
        {u"番😀号"s, std::string("\x94\xD4?\x8D\x86")},
        {std::u16string(1, char16_t(0xD800)) + u'x', std::string("?x")}, // a lone surrogate
    };
    for (const auto &c : cases)
        EXPECT_EQ(Cp932::encode(c.text), c.cp932) << utf8(c.text);
}

TEST(Cp932, BytesThatAreNoCharacterBecomeTheReplacementCharacter)
{
    const char16_t bad = 0xFFFD;
    const struct {
        std::string cp932;
        std::u16string text;
    } cases[] = {
        {bytes("a\x81", 2), u"a"s + bad},                           // lead byte at the end
        {bytes("\x80z", 2), std::u16string(1, bad) + u'z'},         // never a character
        {bytes("\xFFz", 2), std::u16string(1, bad) + u'z'},         // never a character
        {bytes("\x81\n\x41", 3), std::u16string(1, bad) + u"\nA"s}, // the LF stays
        {bytes("\x85\x40z", 3), std::u16string(1, bad) + u'z'},     // an unassigned pair is one
        {bytes("\x80\x80\x94\xD4", 4),
         std::u16string(1, bad) + bad + u'番'}, // reading goes on after
    };
    for (const auto &c : cases)
        EXPECT_EQ(Cp932::decode(c.cp932), c.text) << hex(c.cp932);
}

TEST(Cp932, CutNeverEndsInsideADoubleByteCharacter)
{
    const struct {
        std::string cp932;
        int limit;
        std::string cut;
    } cases[] = {
        {std::string("ab\x94\xD4"), 3, std::string("ab")},
        {std::string("ab\x94\xD4"), 4, std::string("ab\x94\xD4")},
        {std::string("ab\x94\xD4"), 9, std::string("ab\x94\xD4")},
        {std::string("ab\x94\xD4"), 2, std::string("ab")},
        {std::string("ab\x94\xD4"), 0, std::string()},
        // 0x81 is a lead byte and a trail byte: only reading from the start tells.
        {std::string("\x81\x81\x81\x81"), 3, std::string("\x81\x81")},
        {std::string("a\x81\x81\x81\x81"), 4, std::string("a\x81\x81")},
        // Half-width katakana are single bytes in the lead-byte-free range.
        {std::string("\xB4\xD7\xB0"), 2, std::string("\xB4\xD7")},
        // A lead byte before a byte that cannot follow it stands alone.
        {bytes("\x81\x31z", 3), 1, std::string("\x81")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Cp932Bytes::cutAt(c.cp932, c.limit), c.cut) << hex(c.cp932) << " at " << c.limit;
}
