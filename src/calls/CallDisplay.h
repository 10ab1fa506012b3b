// What the main window and the pop-up show, and where the pop-up goes.
#pragma once

#include <string>

namespace CallDisplay {

// " ＴＥＬ．" followed by the number, or by "非通知" for the withheld mark.
std::u16string mainWindowText(const std::u16string &lastNumber);
// "非通知", a blank and the number, or nothing before the first call.
std::u16string tipText(const std::u16string &lastNumber);

struct Point {
    double left = 0;
    double top = 0;
};
// The pop-up's top-left corner, all in twips: 100 twips from the right edge of
// the screen, its bottom edge two of its heights above the bottom.
Point tipPlacement(double screenWidth, double screenHeight, double outerWidth, double outerHeight);

} // namespace CallDisplay
