#include "calls/CallDisplay.h"

#include "state/ProgramState.h"

namespace CallDisplay {

std::u16string mainWindowText(const std::u16string &lastNumber)
{
    return u" ＴＥＬ．" + (lastNumber == WithheldMark ? std::u16string(u"非通知") : lastNumber);
}

std::u16string tipText(const std::u16string &lastNumber)
{
    if (lastNumber == WithheldMark)
        return u"非通知";
    if (!lastNumber.empty())
        return u' ' + lastNumber;
    return {};
}

Point tipPlacement(double screenWidth, double screenHeight, double outerWidth, double outerHeight)
{
    return Point{screenWidth - outerWidth - 100, screenHeight - 3 * outerHeight};
}

} // namespace CallDisplay
