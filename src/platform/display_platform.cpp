#include "platform/display_platform.h"

#include <string_view>

namespace plimo {

std::string ChooseQtPlatform(const char* chosenPlatform, const char* sessionType, const char* waylandDisplay,
                             const char* x11Display) {
    auto isSet = [](const char* value) { return value != nullptr && *value != '\0'; };
    if (isSet(chosenPlatform)) {
        return {};
    }
    const bool wayland = (isSet(sessionType) && std::string_view(sessionType) == "wayland") || isSet(waylandDisplay);
    // Without an X server (no XWayland) Qt's own choice is the only one that can work.
    return wayland && isSet(x11Display) ? "xcb" : "";
}

}  // namespace plimo
