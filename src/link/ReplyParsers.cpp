#include "link/ReplyParsers.h"

namespace ReplyParsers {

namespace {
const QString CrLf = QStringLiteral("\r\n");

// A call index that is not a decimal integer within 32 bits counts as -1,
// the index of a reply without a call.
std::int32_t callIndex(const QString &text)
{
    bool ok = false;
    const std::int32_t value = text.toInt(&ok, 10);
    return ok ? value : -1;
}
} // namespace

QString trimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

void ParseCallingPartyReply(const QString &reply, QString &number)
{
    const qsizetype partyAt = reply.indexOf(QStringLiteral("RECEIVE CALLING PARTY"));
    if (partyAt < 0) {
        number.clear();
        return;
    }
    const qsizetype equalsAt = reply.indexOf(u'=', partyAt);
    QString working = equalsAt >= 0 ? reply.mid(equalsAt + 1) : reply;
    const qsizetype crAt = working.indexOf(u'\r');
    if (crAt >= 0)
        working.truncate(crAt);
    number = trimBlanks(working);
    const qsizetype slashAt = number.indexOf(u'/');
    if (!number.isEmpty() && slashAt >= 0)
        number = trimBlanks(number.left(slashAt));
}

void ParseNumberReply(const QString &reply, QString &number, bool &changed,
                      std::int32_t &lastCallNo)
{
    std::int32_t index = -1;
    number = QStringLiteral("NONE");

    const qsizetype firstBreak = reply.indexOf(CrLf);
    if (firstBreak >= 0) {
        // Walks the lines by position: copying the rest of a long reply once a
        // line would cost time and memory in the square of its length.
        const QStringView all(reply);
        qsizetype at = firstBreak + 2;
        QString line;
        while (!all.sliced(at).startsWith(u"OK")) {
            const qsizetype breakAt = reply.indexOf(CrLf, at);
            if (breakAt < 0)
                break;
            line = reply.sliced(at, breakAt - at);
            at = breakAt + 2;
        }
        const qsizetype slashAt = line.indexOf(u'/');
        if (!line.isEmpty() && slashAt >= 0) {
            line.truncate(slashAt);
            const qsizetype blankAt = line.indexOf(u' ');
            if (blankAt >= 0) {
                number = trimBlanks(line.mid(blankAt));
                index = callIndex(line.left(blankAt).remove(u' '));
            } else {
                number = line.mid(3);
                index = callIndex(line.left(3));
            }
        }
    }

    changed = index != lastCallNo;
    if (changed)
        lastCallNo = index;
}

} // namespace ReplyParsers
