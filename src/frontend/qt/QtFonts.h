// The faces the windows were designed for, mapped to what this system has.
#pragma once

namespace QtFonts {
// Call once after the application object exists, before any window is built.
void installFontSubstitutes();
} // namespace QtFonts
