// The two readers of the device's answer to the caller-number query.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ReplyParsers {

// Kind 0: the text after "RECEIVE CALLING PARTY" and its "=", up to the line's
// CR (or the end of the reply when no CR follows), cut before any "/".
void ParseCallingPartyReply(const std::u16string &reply, std::u16string &number);

// Kind 1: the last complete line before "OK" holds a call index and the number.
// `lastCallNo` is the index seen last; `changed` tells whether it moved.
void ParseNumberReply(const std::u16string &reply, std::u16string &number, bool &changed,
                      std::int32_t &lastCallNo);

// Removes space characters (only those) at both ends.
std::u16string trimBlanks(std::u16string_view text);

} // namespace ReplyParsers
