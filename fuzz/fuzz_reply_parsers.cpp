// The device's reply, byte for byte as it comes off the port, through the two
// reply parsers and the numeric test the caller numbers meet afterwards.
#include "FuzzCheck.h"
#include "link/ReplyParsers.h"
#include "platform/Cp932.h"
#include "text/NumericText.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool hasOuterBlank(const QString &text)
{
    return !text.isEmpty() && (text.front() == u' ' || text.back() == u' ');
}

bool onlyAsciiDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

bool onlyNumeralCharacters(const QString &text)
{
    for (const QChar c : text) {
        const bool digit = c >= u'0' && c <= u'9';
        if (!digit && !QStringView(u"+-.,eE \t").contains(c))
            return false;
    }
    return true;
}

void checkNumeric(const QString &text)
{
    const bool numeric = IsNumeric(text);
    // Blanks around the text do not count.
    CHECK(IsNumeric(QStringLiteral(" \t") + text + QStringLiteral("\t ")) == numeric);
    if (numeric)
        CHECK(onlyNumeralCharacters(text));
    if (onlyAsciiDigits(text))
        CHECK(numeric);
}

void checkCallingParty(const QString &reply)
{
    QString number = QStringLiteral("stale");
    ReplyParsers::ParseCallingPartyReply(reply, number);

    const qsizetype partyAt = reply.indexOf(QStringLiteral("RECEIVE CALLING PARTY"));
    if (partyAt < 0)
        CHECK(number.isEmpty());
    // The number ends at the line's CR and before any "/", and is trimmed.
    CHECK(!number.contains(u'\r'));
    CHECK(!number.contains(u'/'));
    CHECK(!hasOuterBlank(number));
    if (!number.isEmpty()) {
        const qsizetype equalsAt = reply.indexOf(u'=', partyAt);
        // It is a piece of the reply after the marker's "=" (or of the whole
        // reply when no "=" follows the marker).
        CHECK(reply.indexOf(number, equalsAt >= 0 ? equalsAt + 1 : 0) >= 0);
    }

    // The previous contents of the output never matter.
    QString again;
    ReplyParsers::ParseCallingPartyReply(reply, again);
    CHECK(again == number);

    checkNumeric(number);
}

void checkNumberReply(const QString &reply, std::int32_t startCallNo)
{
    QString number;
    bool changed = false;
    std::int32_t lastCallNo = startCallNo;
    ReplyParsers::ParseNumberReply(reply, number, changed, lastCallNo);

    // changed tells exactly whether the index moved; the index is kept either way.
    CHECK(changed == (lastCallNo != startCallNo));
    if (!reply.contains(QStringLiteral("\r\n"))) {
        CHECK(number == QStringLiteral("NONE"));
        CHECK(lastCallNo == -1);
    }
    // The number comes from one line cut before its "/": no line end, no "/".
    CHECK(!number.contains(QStringLiteral("\r\n")));
    CHECK(!number.contains(u'/'));
    CHECK(!hasOuterBlank(number));
    if (number != QStringLiteral("NONE"))
        CHECK(reply.contains(number));

    // The same reply again: same number, and the index has not moved.
    QString again = QStringLiteral("stale");
    bool changedAgain = true;
    const std::int32_t seen = lastCallNo;
    ReplyParsers::ParseNumberReply(reply, again, changedAgain, lastCallNo);
    CHECK(again == number);
    CHECK(!changedAgain);
    CHECK(lastCallNo == seen);

    checkNumeric(number);
    CHECK(ReplyParsers::trimBlanks(number) == number);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray received(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    // What SendCommand hands the parsers: the collected bytes read as CP932.
    const QString reply = Cp932::decode(received);

    checkCallingParty(reply);

    // The start value the program uses, and one taken from the input so that
    // "unchanged" is reached too.
    checkNumberReply(reply, -2);
    std::int32_t fromInput = 0;
    if (size >= sizeof fromInput)
        std::memcpy(&fromInput, data + size - sizeof fromInput, sizeof fromInput);
    checkNumberReply(reply, fromInput);
    QString number;
    bool changed = false;
    std::int32_t index = -2;
    ReplyParsers::ParseNumberReply(reply, number, changed, index);
    checkNumberReply(reply, index);
    return 0;
}
