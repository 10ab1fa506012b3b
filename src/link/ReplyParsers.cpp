#include "link/ReplyParsers.h"

#include "text/Text.h"

namespace ReplyParsers {

namespace {
constexpr std::u16string_view CrLf = u"\r\n";
constexpr std::size_t npos = std::u16string_view::npos;

// A call index that is not a decimal integer within 32 bits counts as -1,
// the index of a reply without a call.
std::int32_t callIndex(std::u16string_view text)
{
    return Text::toInt(text).value_or(-1);
}
} // namespace

std::u16string trimBlanks(std::u16string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return std::u16string(text.substr(begin, end - begin));
}

void ParseCallingPartyReply(const std::u16string &reply, std::u16string &number)
{
    const std::size_t partyAt = reply.find(u"RECEIVE CALLING PARTY");
    if (partyAt == npos) {
        number.clear();
        return;
    }
    const std::size_t equalsAt = reply.find(u'=', partyAt);
    std::u16string_view working(reply);
    if (equalsAt != npos)
        working.remove_prefix(equalsAt + 1);
    working = working.substr(0, working.find(u'\r'));
    number = trimBlanks(working);
    const std::size_t slashAt = number.find(u'/');
    if (!number.empty() && slashAt != npos)
        number = trimBlanks(std::u16string_view(number).substr(0, slashAt));
}

void ParseNumberReply(const std::u16string &reply, std::u16string &number, bool &changed,
                      std::int32_t &lastCallNo)
{
    std::int32_t index = -1;
    number = u"NONE";

    const std::size_t firstBreak = reply.find(CrLf);
    if (firstBreak != npos) {
        // Walks the lines by position: copying the rest of a long reply once a
        // line would cost time and memory in the square of its length.
        const std::u16string_view all(reply);
        std::size_t at = firstBreak + 2;
        std::u16string_view line;
        while (!all.substr(at).starts_with(u"OK")) {
            const std::size_t breakAt = all.find(CrLf, at);
            if (breakAt == npos)
                break;
            line = all.substr(at, breakAt - at);
            at = breakAt + 2;
        }
        const std::size_t slashAt = line.find(u'/');
        if (!line.empty() && slashAt != npos) {
            line = line.substr(0, slashAt);
            const std::size_t blankAt = line.find(u' ');
            if (blankAt != npos) {
                number = trimBlanks(line.substr(blankAt));
                std::u16string head(line.substr(0, blankAt));
                Text::removeAll(head, u' ');
                index = callIndex(head);
            } else {
                number = line.substr(3 > line.size() ? line.size() : 3);
                index = callIndex(line.substr(0, 3));
            }
        }
    }

    changed = index != lastCallNo;
    if (changed)
        lastCallNo = index;
}

} // namespace ReplyParsers
