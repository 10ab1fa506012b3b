// Every line of the NCID protocol (API 1.0, feature set 1) that Nubrel sends or
// reads, in one place: the server's start-up and call lines, the gateway's
// CALL line and the client's reading of a server's CID lines. Lines on the
// wire are UTF-8 and end in CR LF; the program's text is UTF-16.
#pragma once

#include "platform/Clock.h"
#include "state/ProgramState.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace NcidText {

// What the server allows a client.
inline constexpr std::size_t MaxClientLine = 1024;   // bytes, without the line end
inline constexpr std::size_t MaxUnsent = 256 * 1024; // bytes queued for a client
inline constexpr std::size_t MaxClients = 25;
inline constexpr std::size_t CallLogBudget = 100000; // bytes of CIDLOG lines
// A line from a server longer than this is not read (it is no call line).
inline constexpr std::size_t MaxServerLine = 8192;

inline constexpr std::string_view LineEnd = "\r\n";
inline constexpr std::string_view EndOfCallLog = "250 End of call log\r\n";
inline constexpr std::string_view CallLogNotSent = "251 Call log not sent\r\n";
inline constexpr std::string_view CallLogEmpty = "252 Call log empty\r\n";
inline constexpr std::string_view NoCallLog = "253 No Call log\r\n";
inline constexpr std::string_view EndOfStartup = "300 End of connection startup\r\n";
// What a client says right after connecting so that the server skips its call
// log: a client that reconnects has no use for it.
inline constexpr std::string_view HelloNoLog = "HELLO: CMD: no_log\r\n";
// Asked of a server that has been quiet for long; any answer shows it is up.
inline constexpr std::string_view AreYouThere = "REQ: YO\r\n";
// Told to a client beyond the limit before it is closed.
std::string tooManyClients();

// A number longer than this is no telephone number (E.164's limit).
inline constexpr std::size_t MaxNumberDigits = 15;
// What ncidd keeps of a CALL line's LINE and NAME, in bytes.
inline constexpr std::size_t MaxGatewayField = 49;

// The local date and time of a call; the lines carry it to the minute.
using CallTime = LocalTime;

// A call as the program records it: the number as it keeps it (a numeric
// text, or the withheld mark) and the name, empty when unknown.
struct Call {
    CallTime when;
    std::u16string number;
    std::u16string name;
};

// "200 Server: Nubrel <version>" and "210 API: 1.0 Feature Set 1".
std::string banner(std::string_view version);

// The number as a field value: its digits, or PRIVATE for the withheld mark
// (and for a text without a digit).
std::string numberField(std::u16string_view number);
// The name as a field value: 非通知 for a withheld call, NO NAME when unknown.
std::string nameField(std::u16string_view number, std::u16string_view name);
// The line label: '-' when empty.
std::string lineField(std::u16string_view label);
// A value with '*', CR and LF taken out: they would end the field or the line.
std::string cleanValue(std::string_view value);

// "CID: *DATE*mmddyyyy*TIME*hhmm*LINE*…*NMBR*…*MESG*NONE*NAME*…*" and its
// line end; with the prefix "CIDLOG: " for a line of the history.
std::string cidLine(const Call &call, std::u16string_view label);
std::string cidLogLine(const Call &call, std::u16string_view label);
// The gateway's "CALL: ###DATEmmddhhmm...CALLIN...LINE…...NMBR…...NAME…+++".
// LINE and NAME are made safe for a server that finds each label by searching
// the whole line: no '.' in LINE and no '+' in NAME (they would end the value),
// no word that would change the call's type or move a label, and no more than
// MaxGatewayField bytes, cut between characters.
std::string callLine(const Call &call, std::u16string_view label);
std::string gatewayLineField(std::u16string_view label);
std::string gatewayNameField(std::u16string_view number, std::u16string_view name);
// Whether a server's line is a call line carrying the call's date and time: the
// server sends the gateway's own call back, under whatever name and number its
// aliases give it, but with the date and time the CALL line gave.
bool isEchoOf(std::string_view line, const CallTime &when);

// What the server answers a client's line with; nothing for every line but
// "REQ: YO".
std::optional<std::string_view> answerTo(std::string_view line);
// A client's "MSG: …" is passed on to every client; "GOODBYE" ends its
// connection.
bool isMessage(std::string_view line);
bool isGoodbye(std::string_view line);
// The text of a server's "MSG: …" line as the program's log takes it: control
// characters dropped, at most 200 characters. Nothing for any other line.
std::optional<std::u16string> messageText(std::string_view line);

// The history the server sends at each connection, from 着信履歴.TXT.
enum class History {
    Off,     // the history is not kept
    Missing, // there is no history file
    Present, // `text` holds the file's lines
};
using NameLookup = std::function<std::u16string(const std::u16string &number)>;
// The CIDLOG lines of the newest history lines whose lines fit in the budget,
// oldest first, then 250; or 252, 253 or 251 alone. Lines that are not
// "yyyy/mm/dd,hh:nn:ss,number" are passed over.
std::string callLog(History history, std::u16string_view text, std::u16string_view label,
                    const NameLookup &nameFor);
// One history line as a call; nothing when it is not one.
std::optional<Call> historyCall(std::u16string_view line);

// A call a server announced, as the program takes it.
struct ReceivedCall {
    std::u16string number; // digits, or the withheld mark
    std::u16string name;   // empty when the server knows none
    bool operator==(const ReceivedCall &) const = default;
};
// "300 …": the server's start-up (with its history) is over.
bool isEndOfStartup(std::string_view line);
// A "CID:" line read by its field labels, in any order; nothing for every other
// line and for a CID line without NMBR.
std::optional<ReceivedCall> parseCid(std::string_view line);
// NMBR without a digit is withheld; otherwise its digits, with a leading +81
// or 81 made the trunk 0.
std::u16string numberFromField(std::u16string_view field);

// UTF-8 on the wire; what cannot be decoded becomes U+FFFD.
std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view bytes);

} // namespace NcidText
