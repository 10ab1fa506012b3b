#include "calls/CallDisplay.h"

#include "state/ProgramState.h"

namespace CallDisplay {

QString mainWindowText(const QString &lastNumber)
{
    return QStringLiteral(" ＴＥＬ．") +
           (lastNumber == WithheldMark ? QStringLiteral("非通知") : lastNumber);
}

QString tipText(const QString &lastNumber)
{
    if (lastNumber == WithheldMark)
        return QStringLiteral("非通知");
    if (!lastNumber.isEmpty())
        return u' ' + lastNumber;
    return QString();
}

Point tipPlacement(double screenWidth, double screenHeight, double outerWidth, double outerHeight)
{
    return Point{screenWidth - outerWidth - 100, screenHeight - 3 * outerHeight};
}

} // namespace CallDisplay
