#include "platform/display_platform.h"

#include <gtest/gtest.h>

namespace plimo {
namespace {

TEST(ChooseQtPlatform, WaylandSessionsRunOnXWayland) {
    EXPECT_EQ(ChooseQtPlatform(nullptr, "wayland", "wayland-0", ":0"), "xcb");
    EXPECT_EQ(ChooseQtPlatform(nullptr, nullptr, "wayland-0", ":0"), "xcb");
    EXPECT_EQ(ChooseQtPlatform("", "wayland", nullptr, ":1"), "xcb");
}

TEST(ChooseQtPlatform, TheUsersChoiceAndX11SessionsAreLeftAlone) {
    EXPECT_EQ(ChooseQtPlatform("wayland", "wayland", "wayland-0", ":0"), "");
    EXPECT_EQ(ChooseQtPlatform("offscreen", nullptr, nullptr, nullptr), "");
    EXPECT_EQ(ChooseQtPlatform(nullptr, "x11", nullptr, ":0"), "");
    EXPECT_EQ(ChooseQtPlatform(nullptr, "tty", nullptr, nullptr), "");
}

TEST(ChooseQtPlatform, WaylandWithoutXWaylandKeepsQtsChoice) {
    EXPECT_EQ(ChooseQtPlatform(nullptr, "wayland", "wayland-0", nullptr), "");
    EXPECT_EQ(ChooseQtPlatform(nullptr, "wayland", "wayland-0", ""), "");
}

}  // namespace
}  // namespace plimo
