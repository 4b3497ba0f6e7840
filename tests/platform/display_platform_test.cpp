#include "platform/display_platform.h"

#include <gtest/gtest.h>

#include <string>

namespace plimo {
namespace {

// Wayland sessions run on XWayland when it is there; the user's own choice, X11 sessions and Wayland without
// XWayland keep Qt's choice (the empty answer).
TEST(ChooseQtPlatform, OnlyAWaylandSessionWithXWaylandIsSentToXcb) {
    const struct {
        const char* qpaPlatform;
        const char* sessionType;
        const char* waylandDisplay;
        const char* display;
        std::string platform;
    } cases[] = {{nullptr, "wayland", "wayland-0", ":0", "xcb"}, {nullptr, nullptr, "wayland-0", ":0", "xcb"},
                 {"", "wayland", nullptr, ":1", "xcb"},          {"wayland", "wayland", "wayland-0", ":0", ""},
                 {"offscreen", nullptr, nullptr, nullptr, ""},   {nullptr, "x11", nullptr, ":0", ""},
                 {nullptr, "tty", nullptr, nullptr, ""},         {nullptr, "wayland", "wayland-0", nullptr, ""},
                 {nullptr, "wayland", "wayland-0", "", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseQtPlatform(c.qpaPlatform, c.sessionType, c.waylandDisplay, c.display), c.platform)
            << (c.qpaPlatform ? c.qpaPlatform : "-") << ' ' << (c.sessionType ? c.sessionType : "-") << ' '
            << (c.waylandDisplay ? c.waylandDisplay : "-") << ' ' << (c.display ? c.display : "-");
    }
}

}  // namespace
}  // namespace plimo
