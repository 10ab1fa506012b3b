#include "app/DisplayChoice.h"

QByteArray DisplayChoice::platformFor(const QByteArray &chosenPlatform,
                                      const QByteArray &waylandDisplay,
                                      const QByteArray &x11Display)
{
    if (!chosenPlatform.isEmpty() || waylandDisplay.isEmpty() || x11Display.isEmpty())
        return {};
    return QByteArrayLiteral("xcb");
}
