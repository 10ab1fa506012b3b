// The logic's own text helpers agree with the Qt functions the program's texts
// were read with before: every folding, every blank, and random texts and
// bytes through each conversion.
#include "text/Text.h"
#include "text/Utf.h"

#include <QRandomGenerator>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <gtest/gtest.h>

namespace {

std::u16string fromQt(const QString &s)
{
    return s.toStdU16String();
}

std::string fromQt(const QByteArray &b)
{
    return b.toStdString();
}

// Texts from units that trip folding, trimming and number reading up: blanks
// of every kind, signs, digits, letters with odd foldings, lone surrogates.
class Texts {
public:
    QString text()
    {
        static constexpr char16_t Pool[] = {
            u' ',   u'\t',  u'\n', u'\v', u'\f',  u'\r',  0x85,   0xA0,   0x3000, 0x2028, 0x180E,
            0xFEFF, u'0',   u'9',  u'+',  u'-',   u'a',   u'A',   u'K',   0x212A, u's',   0x17F,
            0xDF,   0x130,  0x131, u'i',  0xD801, 0xDC00, 0xDC28, 0xD83A, 0xDD00, 0xFF21, 0xFF41,
            0x2212, 0x1E9E, 0x3A3, 0x3C2, 0x400,  0x450,  0xFFFD, u'番'};
        QString s;
        for (int n = int(m_random.bounded(7)); n > 0; --n) {
            s.append(m_random.bounded(4) == 0
                         ? QChar(char16_t(m_random.bounded(0x10000)))
                         : QChar(Pool[m_random.bounded(int(std::size(Pool)))]));
        }
        return s;
    }
    QByteArray bytes()
    {
        static constexpr unsigned char Pool[] = {
            0xEF, 0xBB, 0xBF, 0x80, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xED, 0xA0, 0xF0,
            0x90, 0xF4, 0x8F, 0xF5, 0xFF, 0xFE, 'a',  0,    0x9F, 0xE3, 0x81, 0x82};
        QByteArray b;
        for (int n = int(m_random.bounded(9)); n > 0; --n) {
            b.append(m_random.bounded(3) ? char(Pool[m_random.bounded(int(std::size(Pool)))])
                                         : char(m_random.bounded(256)));
        }
        return b;
    }

private:
    QRandomGenerator m_random{23};
};

} // namespace

TEST(TextAgainstQt, FoldsAndBlanksEveryCharacterAsQtDoes)
{
    int differences = 0;
    for (char32_t c = 0; c <= 0x10FFFF; ++c)
        differences += Text::foldCase(c) != QChar::toCaseFolded(c);
    EXPECT_EQ(differences, 0);
    for (char32_t c = 0; c <= 0xFFFF; ++c)
        EXPECT_EQ(Text::isSpace(char16_t(c)), QChar(char16_t(c)).isSpace())
            << std::hex << unsigned(c);
}

TEST(TextAgainstQt, RandomTextsCompareTrimAndReadAsInQt)
{
    Texts source;
    for (int i = 0; i < 50000; ++i) {
        const QString a = source.text();
        const QString b = i % 3 ? source.text() : a.toUpper();
        const std::string trace = (a + u'|' + b).toUtf8().toHex().toStdString();
        const int qt = QString::compare(a, b, Qt::CaseInsensitive);
        const int ours = Text::compareIgnoringCase(fromQt(a), fromQt(b));
        ASSERT_EQ(qt < 0, ours < 0) << trace;
        ASSERT_EQ(qt > 0, ours > 0) << trace;
        ASSERT_EQ(a.startsWith(b, Qt::CaseInsensitive),
                  Text::startsWithIgnoringCase(fromQt(a), fromQt(b)))
            << trace;
        ASSERT_EQ(fromQt(a.trimmed()), Text::trimmed(fromQt(a))) << trace;
        bool ok = false;
        const int value = a.toInt(&ok, 10);
        ASSERT_EQ(ok ? std::optional<std::int32_t>(value) : std::nullopt, Text::toInt(fromQt(a)))
            << trace;
        ASSERT_EQ(fromQt(a.toUtf8()), Utf::toUtf8(fromQt(a))) << trace;
        for (const auto order : {Utf::ByteOrder::LittleEndian, Utf::ByteOrder::BigEndian}) {
            QStringEncoder utf16(order == Utf::ByteOrder::LittleEndian ? QStringEncoder::Utf16LE
                                                                       : QStringEncoder::Utf16BE);
            ASSERT_EQ(fromQt(QByteArray(utf16.encode(a))), Utf::toUtf16(fromQt(a), order)) << trace;
        }
    }
}

TEST(TextAgainstQt, RandomBytesDecodeAsInQt)
{
    Texts source;
    for (int i = 0; i < 50000; ++i) {
        const QByteArray bytes = source.bytes();
        const std::string trace = bytes.toHex().toStdString();
        ASSERT_EQ(fromQt(QString::fromUtf8(bytes)), Utf::fromUtf8(fromQt(bytes))) << trace;
        QStringDecoder keeping(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom |
                                                         QStringDecoder::Flag::Stateless);
        ASSERT_EQ(fromQt(QString(keeping.decode(bytes))), Utf::fromUtf8KeepingMark(fromQt(bytes)))
            << trace;
        QStringDecoder little(QStringDecoder::Utf16LE);
        ASSERT_EQ(fromQt(QString(little.decode(bytes))),
                  Utf::fromUtf16(fromQt(bytes), Utf::ByteOrder::LittleEndian))
            << trace;
        QStringDecoder big(QStringDecoder::Utf16BE);
        ASSERT_EQ(fromQt(QString(big.decode(bytes))),
                  Utf::fromUtf16(fromQt(bytes), Utf::ByteOrder::BigEndian))
            << trace;
        ASSERT_EQ(fromQt(bytes.trimmed()), Text::trimmedBytes(fromQt(bytes))) << trace;
    }
}
