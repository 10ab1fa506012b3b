#include "platform/Prompts.h"

void warnUser(Prompts &prompts, const QString &text)
{
    prompts.messageBox(MessageHead + u'\r' + text, AppTitle, MessageIcon::Exclamation);
}
