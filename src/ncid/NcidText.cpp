#include "ncid/NcidText.h"

#include "phonebook/PhonebookEntry.h"
#include "text/Utf.h"

#include <vector>

namespace NcidText {

namespace {

std::string twoDigits(int value)
{
    std::string out(2, '0');
    out[0] = static_cast<char>('0' + (value / 10) % 10);
    out[1] = static_cast<char>('0' + value % 10);
    return out;
}

std::string fourDigits(int value)
{
    return twoDigits(value / 100) + twoDigits(value % 100);
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// The fields of a line of labels and values, "…*LABEL*value*LABEL*value*…":
// labels and values take turns after the first '*'; a value holds no '*', so
// the turns never slip. The first value of a label counts.
std::optional<std::string_view> fieldOf(std::string_view line, std::string_view wanted)
{
    const std::size_t first = line.find('*');
    if (first == std::string_view::npos)
        return std::nullopt;
    std::size_t at = first + 1;
    while (at < line.size()) {
        const std::size_t labelEnd = line.find('*', at);
        if (labelEnd == std::string_view::npos)
            break;
        std::size_t valueEnd = line.find('*', labelEnd + 1);
        if (valueEnd == std::string_view::npos)
            valueEnd = line.size();
        if (line.substr(at, labelEnd - at) == wanted)
            return line.substr(labelEnd + 1, valueEnd - labelEnd - 1);
        at = valueEnd + 1;
    }
    return std::nullopt;
}

// `text` with a blank after the first `keep` characters of each `word` in it.
std::string breakWord(std::string text, std::string_view word, std::size_t keep)
{
    for (std::size_t at = text.find(word); at != std::string::npos;
         at = text.find(word, at + word.size() + 1))
        text.insert(at + keep, " ");
    return text;
}

// Each `from` byte as the text `to`.
std::string replaceByte(std::string_view text, char from, std::string_view to)
{
    std::string out;
    for (char c : text) {
        if (c == from)
            out += to;
        else
            out.push_back(c);
    }
    return out;
}

// At most `limit` bytes of UTF-8, never ending inside a character.
std::string cutUtf8(std::string text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

// The words a server looks for anywhere in a CALL line to tell an outgoing,
// hung-up, blocked or smartphone call from an incoming one.
std::string withoutCallTypes(std::string text)
{
    for (std::string_view word : {"CALLOUT", "CALLHUP", "CALLBLK", "CALLPID"})
        text = breakWord(std::move(text), word, 4);
    return text;
}

// The fields every CID and CIDLOG line carries, after its prefix.
std::string cidFields(const Call &call, std::u16string_view label)
{
    const CallTime &t = call.when;
    std::string line = "*DATE*" + twoDigits(t.month) + twoDigits(t.day) + fourDigits(t.year);
    line += "*TIME*" + twoDigits(t.hour) + twoDigits(t.minute);
    line += "*LINE*" + lineField(label);
    line += "*NMBR*" + numberField(call.number);
    line += "*MESG*NONE";
    line += "*NAME*" + nameField(call.number, call.name) + "*";
    line += LineEnd;
    return line;
}

// The value of a whole, unsigned decimal field of exactly `width` digits.
std::optional<int> fixedNumber(std::u16string_view text, std::size_t at, std::size_t width)
{
    if (at + width > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (!isDigit(text[i]))
            return std::nullopt;
        value = value * 10 + (text[i] - u'0');
    }
    return value;
}

} // namespace

std::string banner(std::string_view version)
{
    std::string lines = "200 Server: Nubrel ";
    lines += cleanValue(version);
    lines += LineEnd;
    lines += "210 API: 1.0 Feature Set 1";
    lines += LineEnd;
    return lines;
}

std::string numberField(std::u16string_view number)
{
    if (number == WithheldMark)
        return "PRIVATE";
    std::string digits;
    for (char16_t c : number) {
        if (isDigit(c))
            digits.push_back(static_cast<char>(c));
    }
    return digits.empty() ? "PRIVATE" : digits;
}

std::string nameField(std::u16string_view number, std::u16string_view name)
{
    if (numberField(number) == "PRIVATE")
        return toUtf8(u"非通知");
    std::string value = cleanValue(toUtf8(name));
    return value.empty() ? "NO NAME" : value;
}

std::string lineField(std::u16string_view label)
{
    std::string value = cleanValue(toUtf8(label));
    return value.empty() ? "-" : value;
}

std::string cleanValue(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c != '*' && c != '\r' && c != '\n')
            out.push_back(c);
    }
    return out;
}

std::string cidLine(const Call &call, std::u16string_view label)
{
    return "CID: " + cidFields(call, label);
}

std::string cidLogLine(const Call &call, std::u16string_view label)
{
    return "CIDLOG: " + cidFields(call, label);
}

std::string callLine(const Call &call, std::u16string_view label)
{
    const CallTime &t = call.when;
    std::string line = "CALL: ###DATE" + twoDigits(t.month) + twoDigits(t.day) + twoDigits(t.hour) +
                       twoDigits(t.minute);
    line += "...CALLIN...LINE" + gatewayLineField(label);
    line += "...NMBR" + numberField(call.number);
    line += "...NAME" + gatewayNameField(call.number, call.name) + "+++";
    line += LineEnd;
    return line;
}

std::string gatewayLineField(std::u16string_view label)
{
    // The full-width stop reads as the same mark and ends nothing.
    std::string value = replaceByte(lineField(label), '.', toUtf8(u"．"));
    value = withoutCallTypes(std::move(value));
    // LINE comes before NMBR and NAME: neither label may be found inside it.
    value = breakWord(std::move(value), "NMBR", 2);
    value = breakWord(std::move(value), "NAME", 2);
    value = cutUtf8(std::move(value), MaxGatewayField);
    return value.empty() ? "-" : value;
}

std::string gatewayNameField(std::u16string_view number, std::u16string_view name)
{
    std::string value = replaceByte(nameField(number, name), '+', toUtf8(u"＋"));
    value = cutUtf8(withoutCallTypes(std::move(value)), MaxGatewayField);
    return value.empty() ? "NO NAME" : value;
}

bool isEchoOf(std::string_view line, const CallTime &when)
{
    // "CID:", and the other call lines a server's options may turn it into.
    const std::size_t colon = line.find(": *");
    if (colon == std::string_view::npos || colon == 0 || colon > 8)
        return false;
    for (char c : line.substr(0, colon)) {
        if (c < 'A' || c > 'Z')
            return false;
    }
    if (line.substr(0, colon).ends_with("LOG"))
        return false; // the call log of the start-up
    const auto date = fieldOf(line, "DATE");
    const auto time = fieldOf(line, "TIME");
    return date && time && date->starts_with(twoDigits(when.month) + twoDigits(when.day)) &&
           *time == twoDigits(when.hour) + twoDigits(when.minute);
}

std::string tooManyClients()
{
    return "MSG: Too many clients connected: " + std::to_string(MaxClients) + std::string(LineEnd);
}

bool isMessage(std::string_view line)
{
    return line.starts_with("MSG:");
}

bool isGoodbye(std::string_view line)
{
    return line == "GOODBYE";
}

std::optional<std::u16string> messageText(std::string_view line)
{
    if (!isMessage(line))
        return std::nullopt;
    std::u16string text;
    for (char16_t c : fromUtf8(line.substr(4))) {
        if (c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0))
            text.push_back(c);
    }
    const std::size_t first = text.find_first_not_of(u' ');
    text.erase(0, first == std::u16string::npos ? text.size() : first);
    constexpr std::size_t MaxCharacters = 200;
    if (text.size() > MaxCharacters) {
        // Not between the halves of a surrogate pair.
        std::size_t end = MaxCharacters;
        if (text[end] >= 0xDC00 && text[end] <= 0xDFFF)
            --end;
        text.resize(end);
    }
    return text;
}

std::optional<std::string_view> answerTo(std::string_view line)
{
    if (line == "REQ: YO")
        return std::string_view("ACK: REQ: YO\r\n");
    return std::nullopt;
}

std::optional<Call> historyCall(std::u16string_view line)
{
    // "yyyy/mm/dd,hh:nn:ss,number"
    if (line.size() < 20 || line[4] != u'/' || line[7] != u'/' || line[10] != u',' ||
        line[13] != u':' || line[16] != u':' || line[19] != u',')
        return std::nullopt;
    const auto year = fixedNumber(line, 0, 4);
    const auto month = fixedNumber(line, 5, 2);
    const auto day = fixedNumber(line, 8, 2);
    const auto hour = fixedNumber(line, 11, 2);
    const auto minute = fixedNumber(line, 14, 2);
    if (!year || !month || !day || !hour || !minute || !fixedNumber(line, 17, 2))
        return std::nullopt;
    Call call;
    call.when = CallTime{*year, *month, *day, *hour, *minute};
    call.number = std::u16string(line.substr(20));
    if (call.number.empty())
        return std::nullopt;
    return call;
}

std::string callLog(History history, std::u16string_view text, std::u16string_view label,
                    const NameLookup &nameFor)
{
    if (history == History::Off)
        return std::string(CallLogNotSent);
    if (history == History::Missing)
        return std::string(NoCallLog);

    // From the newest line back, as long as the lines fit; sent oldest first.
    std::vector<std::string> newestFirst;
    std::size_t used = 0;
    std::size_t end = text.size();
    while (end > 0) {
        std::size_t start = text.rfind(u'\n', end - 1);
        start = start == std::u16string_view::npos ? 0 : start + 1;
        std::u16string_view line = text.substr(start, end - start);
        if (line.ends_with(u'\r'))
            line.remove_suffix(1);
        end = start == 0 ? 0 : start - 1;
        if (auto call = historyCall(line)) {
            if (call->number != WithheldMark && nameFor)
                call->name = nameFor(call->number);
            std::string logLine = cidLogLine(*call, label);
            if (used + logLine.size() > CallLogBudget)
                break;
            used += logLine.size();
            newestFirst.push_back(std::move(logLine));
        }
    }
    if (newestFirst.empty())
        return std::string(CallLogEmpty);
    std::string lines;
    lines.reserve(used + EndOfCallLog.size());
    for (auto it = newestFirst.rbegin(); it != newestFirst.rend(); ++it)
        lines += *it;
    lines += EndOfCallLog;
    return lines;
}

bool isEndOfStartup(std::string_view line)
{
    return line.starts_with("300") && (line.size() == 3 || line[3] == ' ');
}

std::optional<ReceivedCall> parseCid(std::string_view line)
{
    if (!line.starts_with("CID:"))
        return std::nullopt;
    const std::optional<std::string_view> number = fieldOf(line, "NMBR");
    if (!number)
        return std::nullopt;
    const std::optional<std::string_view> name = fieldOf(line, "NAME");
    ReceivedCall call;
    call.number = numberFromField(fromUtf8(*number));
    if (call.number != WithheldMark && name) {
        call.name = PhonebookText::cleanName(fromUtf8(*name));
        if (call.name == u"NO NAME")
            call.name.clear();
    }
    return call;
}

std::u16string numberFromField(std::u16string_view field)
{
    std::u16string digits = PhonebookText::normaliseNumber(field);
    if (digits.empty())
        return std::u16string(WithheldMark);
    return digits;
}

std::string toUtf8(std::u16string_view text)
{
    return Utf::toUtf8(text);
}

// A value's leading byte-order mark is a character of the value.
std::u16string fromUtf8(std::string_view bytes)
{
    return Utf::fromUtf8KeepingMark(bytes);
}

} // namespace NcidText
