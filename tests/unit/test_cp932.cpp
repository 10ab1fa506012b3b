// The conversion to and from the Japanese Windows code page, and the cut that
// keeps double-byte characters whole.
#include "platform/Cp932.h"

#include <gtest/gtest.h>

namespace {
QByteArray bytes(const char *text, qsizetype size)
{
    return QByteArray(text, size);
}
} // namespace

TEST(Cp932, EncodesAsWindowsDoesAndReadsItsOwnBytesBack)
{
    const struct {
        QString text;
        QByteArray cp932;
    } cases[] = {
        {QStringLiteral("ＭＳ Ｐゴシック"),
         QByteArray("\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E")},
        {QStringLiteral("ｴﾗｰ番号"), QByteArray("\xB4\xD7\xB0\x94\xD4\x8D\x86")},
        // Backslash and tilde stay ASCII: "SHIFT_JIS" tables turn them into ¥ and ‾.
        {QStringLiteral("C:\\a~b"), QByteArray("C:\\a~b")},
        // ソ and ゾ end in the bytes of '\' and ']'.
        {QStringLiteral("ソゾ"), QByteArray("\x83\x5C\x83\x5D")},
        {QStringLiteral("着信履歴.TXT"), QByteArray("\x92\x85\x90\x4D\x97\x9A\x97\xF0.TXT")},
        {QString(), QByteArray()},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Cp932::encode(c.text), c.cp932) << qPrintable(c.text);
        EXPECT_EQ(Cp932::decode(c.cp932), c.text) << qPrintable(c.text);
    }

    // Longer than one conversion buffer: nothing is lost at the seams.
    const QString many = QString(3000, QChar(u'番')) + u'x';
    EXPECT_EQ(Cp932::encode(many).size(), 6001);
    EXPECT_EQ(Cp932::decode(Cp932::encode(many)), many);
}

TEST(Cp932, MapsTheMinusSignAndWaveDashToTheWindowsPairs)
{
    EXPECT_EQ(Cp932::encode(QStringLiteral("−")), QByteArray("\x81\x7C")) << "U+2212";
    EXPECT_EQ(Cp932::encode(QStringLiteral("－")), QByteArray("\x81\x7C")) << "U+FF0D";
    EXPECT_EQ(Cp932::encode(QStringLiteral("～")), QByteArray("\x81\x60")) << "U+FF5E";
    // Windows reads the pairs back as the full-width forms.
    EXPECT_EQ(Cp932::decode(QByteArray("\x81\x7C\x81\x60")), QStringLiteral("－～"));
}

TEST(Cp932, CharactersItCannotHoldBecomeOneQuestionMarkEach)
{
    const struct {
        QString text;
        QByteArray cp932;
    } cases[] = {
        {QStringLiteral("é"), QByteArray("?")},
        {QStringLiteral("ééa"), QByteArray("??a")},
        {QStringLiteral("a😀b"), QByteArray("a?b")}, // one character, two UTF-16 units
        {QStringLiteral("番😀号"), QByteArray("\x94\xD4?\x8D\x86")},
        {QString(QChar(0xD800)) + u'x', QByteArray("?x")}, // a lone surrogate
    };
    for (const auto &c : cases)
        EXPECT_EQ(Cp932::encode(c.text), c.cp932) << qPrintable(c.text);
}

TEST(Cp932, BytesThatAreNoCharacterBecomeTheReplacementCharacter)
{
    const QChar bad(0xFFFD);
    const struct {
        QByteArray cp932;
        QString text;
    } cases[] = {
        {bytes("a\x81", 2), QStringLiteral("a") + bad},                 // lead byte at the end
        {bytes("\x80z", 2), QString(bad) + u'z'},                       // never a character
        {bytes("\xFFz", 2), QString(bad) + u'z'},                       // never a character
        {bytes("\x81\n\x41", 3), QString(bad) + QStringLiteral("\nA")}, // the LF stays
        {bytes("\x85\x40z", 3), QString(bad) + u'z'},                   // an unassigned pair is one
        {bytes("\x80\x80\x94\xD4", 4), QString(bad) + bad + u'番'},     // reading goes on after
    };
    for (const auto &c : cases)
        EXPECT_EQ(Cp932::decode(c.cp932), c.text) << c.cp932.toHex().constData();
}

TEST(Cp932, CutNeverEndsInsideADoubleByteCharacter)
{
    const struct {
        QByteArray cp932;
        int limit;
        QByteArray cut;
    } cases[] = {
        {QByteArray("ab\x94\xD4"), 3, QByteArray("ab")},
        {QByteArray("ab\x94\xD4"), 4, QByteArray("ab\x94\xD4")},
        {QByteArray("ab\x94\xD4"), 9, QByteArray("ab\x94\xD4")},
        {QByteArray("ab\x94\xD4"), 2, QByteArray("ab")},
        {QByteArray("ab\x94\xD4"), 0, QByteArray()},
        // 0x81 is a lead byte and a trail byte: only reading from the start tells.
        {QByteArray("\x81\x81\x81\x81"), 3, QByteArray("\x81\x81")},
        {QByteArray("a\x81\x81\x81\x81"), 4, QByteArray("a\x81\x81")},
        // Half-width katakana are single bytes in the lead-byte-free range.
        {QByteArray("\xB4\xD7\xB0"), 2, QByteArray("\xB4\xD7")},
        // A lead byte before a byte that cannot follow it stands alone.
        {bytes("\x81\x31z", 3), 1, QByteArray("\x81")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Cp932::cutAt(c.cp932, c.limit), c.cut)
            << c.cp932.toHex().constData() << " at " << c.limit;
}
