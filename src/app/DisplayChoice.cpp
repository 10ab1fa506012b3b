#include "app/DisplayChoice.h"

std::string DisplayChoice::platformFor(std::string_view chosenPlatform,
                                       std::string_view waylandDisplay, std::string_view x11Display)
{
    if (!chosenPlatform.empty() || waylandDisplay.empty() || x11Display.empty())
        return {};
    return "xcb";
}
