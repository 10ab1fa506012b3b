// The program's own warning, as every message about the link shows it.
#pragma once

#include <string>

class Prompts;

// The program's title, on its message boxes and its About box.
inline const std::u16string AppTitle = u"VORDEK";
// The line every message about the link opens with.
inline const std::u16string MessageHead = u"ＶＯＲＤＥＫにて、";

// The program's warning: MessageHead, a CR and `text`, with the exclamation
// icon and the program's title.
void warnUser(Prompts &prompts, const std::u16string &text);
