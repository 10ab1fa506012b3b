// The device's reply, byte for byte as it comes off the port, through the two
// reply parsers and the numeric test the caller numbers meet afterwards.
#include "FuzzCheck.h"
#include "link/ReplyParsers.h"
#include "platform/Cp932.h"
#include "text/NumericText.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using FuzzCheck::contains;

bool hasOuterBlank(const std::u16string &text)
{
    return !text.empty() && (text.front() == u' ' || text.back() == u' ');
}

bool onlyAsciiDigits(const std::u16string &text)
{
    if (text.empty())
        return false;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

bool onlyNumeralCharacters(const std::u16string &text)
{
    for (const char16_t c : text) {
        const bool digit = c >= u'0' && c <= u'9';
        if (!digit && !contains(std::u16string_view(u"+-.,eE \t"), c))
            return false;
    }
    return true;
}

void checkNumeric(const std::u16string &text)
{
    const bool numeric = IsNumeric(text);
    // Blanks around the text do not count.
    CHECK(IsNumeric(u" \t" + text + u"\t ") == numeric);
    if (numeric)
        CHECK(onlyNumeralCharacters(text));
    if (onlyAsciiDigits(text))
        CHECK(numeric);
}

void checkCallingParty(const std::u16string &reply)
{
    std::u16string number = u"stale";
    ReplyParsers::ParseCallingPartyReply(reply, number);

    const std::size_t partyAt = reply.find(u"RECEIVE CALLING PARTY");
    if (partyAt == std::u16string::npos)
        CHECK(number.empty());
    // The number ends at the line's CR and before any "/", and is trimmed.
    CHECK(!contains(number, u'\r'));
    CHECK(!contains(number, u'/'));
    CHECK(!hasOuterBlank(number));
    if (!number.empty()) {
        const std::size_t equalsAt = reply.find(u'=', partyAt);
        // It is a piece of the reply after the marker's "=" (or of the whole
        // reply when no "=" follows the marker).
        CHECK(reply.find(number, equalsAt != std::u16string::npos ? equalsAt + 1 : 0) !=
              std::u16string::npos);
    }

    // The previous contents of the output never matter.
    std::u16string again;
    ReplyParsers::ParseCallingPartyReply(reply, again);
    CHECK(again == number);

    checkNumeric(number);
}

void checkNumberReply(const std::u16string &reply, std::int32_t startCallNo)
{
    std::u16string number;
    bool changed = false;
    std::int32_t lastCallNo = startCallNo;
    ReplyParsers::ParseNumberReply(reply, number, changed, lastCallNo);

    // changed tells exactly whether the index moved; the index is kept either way.
    CHECK(changed == (lastCallNo != startCallNo));
    if (!contains(reply, u"\r\n")) {
        CHECK(number == u"NONE");
        CHECK(lastCallNo == -1);
    }
    // The number comes from one line cut before its "/": no line end, no "/".
    CHECK(!contains(number, u"\r\n"));
    CHECK(!contains(number, u'/'));
    CHECK(!hasOuterBlank(number));
    if (number != u"NONE")
        CHECK(contains(reply, number));

    // The same reply again: same number, and the index has not moved.
    std::u16string again = u"stale";
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
    const std::string received(reinterpret_cast<const char *>(data), size);
    // What SendCommand hands the parsers: the collected bytes read as CP932.
    const std::u16string reply = Cp932::decode(received);

    checkCallingParty(reply);

    // The start value the program uses, and one taken from the input so that
    // "unchanged" is reached too.
    checkNumberReply(reply, -2);
    std::int32_t fromInput = 0;
    if (size >= sizeof fromInput)
        std::memcpy(&fromInput, data + size - sizeof fromInput, sizeof fromInput);
    checkNumberReply(reply, fromInput);
    std::u16string number;
    bool changed = false;
    std::int32_t index = -2;
    ReplyParsers::ParseNumberReply(reply, number, changed, index);
    checkNumberReply(reply, index);
    return 0;
}
