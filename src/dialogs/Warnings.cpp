#include "dialogs/Warnings.h"

#include "platform/Prompts.h"

void warnUser(Prompts &prompts, const std::u16string &text)
{
    prompts.messageBox(MessageHead + u'\r' + text, AppTitle, MessageIcon::Exclamation);
}
