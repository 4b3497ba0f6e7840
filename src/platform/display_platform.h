#pragma once

#include <string>

namespace plimo {

// The window-system platform the program asks Qt for, or "" to leave Qt's choice alone. Under a Wayland session
// the panel could neither place itself nor stay on top, so it runs on XWayland unless the user chose a platform.
// Arguments are the values of QT_QPA_PLATFORM, XDG_SESSION_TYPE, WAYLAND_DISPLAY and DISPLAY (null when unset).
std::string ChooseQtPlatform(const char* chosenPlatform, const char* sessionType, const char* waylandDisplay,
                             const char* x11Display);

}  // namespace plimo
