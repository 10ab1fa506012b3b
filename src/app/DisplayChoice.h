// Which Qt platform plugin the program asks for before the application starts.
#pragma once

#include <string>
#include <string_view>

namespace DisplayChoice {
// On a Wayland desktop that also offers XWayland, the X11 plugin: only there
// can the program put its window back where it was, place the pop-up at the
// bottom right and keep it above other windows. A plugin the user chose, or a
// desktop without XWayland, is left alone. Returns the plugin to set, or empty.
std::string platformFor(std::string_view chosenPlatform, std::string_view waylandDisplay,
                        std::string_view x11Display);
} // namespace DisplayChoice
