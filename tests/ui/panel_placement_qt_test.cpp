#include "fake_browser.h"
#include "ui/panel_placement.h"
#include "ui/tform1.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <memory>

namespace plimo {
namespace {

constexpr QSize kPanel(222, 77);
const QRect kFullHd(0, 0, 1920, 1080);
const QPoint kCorner(1000, 1000);  // stands out from every place a case expects

struct PlacementCase {
    const char* what;
    QPoint panel;
    QRect ownBefore;
    QRect ownAfter;
    QList<QRect> screens;
    QPoint expected;
};

TEST(PlaceAfterScreenChange, FollowsTheNearerEdgesAndComesBackWhenNothingIsLeftInView) {
    const PlacementCase cases[] = {
        {"default corner, resolution lowered",
         {1698, 963},
         kFullHd,
         {0, 0, 1280, 720},
         {{0, 0, 1280, 720}},
         {1058, 603}},
        {"default corner, resolution raised", {1058, 603}, {0, 0, 1280, 720}, kFullHd, {kFullHd}, {1698, 963}},
        {"default corner, tablet turned upright",
         {1698, 963},
         kFullHd,
         {0, 0, 1080, 1920},
         {{0, 0, 1080, 1920}},
         {858, 1803}},
        {"top left keeps its place", {100, 50}, kFullHd, {0, 0, 1280, 720}, {{0, 0, 1280, 720}}, {100, 50}},
        {"top right follows the right edge", {1600, 20}, kFullHd, {0, 0, 1280, 720}, {{0, 0, 1280, 720}}, {960, 20}},
        {"bottom left follows the bottom edge", {10, 950}, kFullHd, {0, 0, 1280, 720}, {{0, 0, 1280, 720}}, {10, 590}},
        {"partly off the left edge stays so",
         {-100, 300},
         kFullHd,
         {0, 0, 1280, 720},
         {{0, 0, 1280, 720}},
         {-100, 300}},
        {"its screen moved left as the one before it went",
         {2000, 100},
         {1920, 0, 1920, 1080},
         kFullHd,
         {kFullHd},
         {80, 100}},
        {"another screen changed, the panel is still in view", {1698, 963}, {}, {}, {kFullHd}, {1698, 963}},
        {"its monitor unplugged", {2500, 300}, {}, {}, {kFullHd}, kCorner},
        {"a sliver left on a screen", {1915, 300}, {}, {}, {kFullHd}, {1915, 300}},
        {"the screen shrank under it", {1698, 963}, {}, {}, {{0, 0, 1280, 720}}, kCorner},
        {"on the second of two screens", {2500, 300}, {}, {}, {kFullHd, {1920, 0, 1920, 1080}}, {2500, 300}},
        {"no screen at all: nothing to go to", {2500, 300}, {}, {}, {}, {2500, 300}},
    };
    for (const PlacementCase& c : cases) {
        const QPoint placed =
            PlaceAfterScreenChange(QRect(c.panel, kPanel), c.ownBefore, c.ownAfter, c.screens, kCorner);
        EXPECT_EQ(placed, c.expected) << c.what << ": (" << placed.x() << ", " << placed.y() << ")";
    }
}

// Windows 11's taskbar is 48 px high at 100 % (72 px at 150 %): 40 px above the bottom edge would leave the panel's
// last 8 px under it.
TEST(DefaultCorner, FortyPixelsAboveTheBottomRightCornerAndClearOfTheTaskbar) {
    const QRect kRight(1920, 0, 1920, 1080);
    const struct {
        const char* what;
        QRect screen;
        QRect available;
        QPoint expected;
    } cases[] = {
        {"no taskbar", kFullHd, kFullHd, {1698, 963}},
        {"area unknown", kFullHd, {}, {1698, 963}},
        {"48 px taskbar at the bottom", kFullHd, {0, 0, 1920, 1032}, {1698, 955}},
        {"40 px taskbar at the bottom", kFullHd, {0, 0, 1920, 1040}, {1698, 963}},
        {"taskbar on the right", kFullHd, {0, 0, 1858, 1080}, {1636, 963}},
        {"taskbar at the top", kFullHd, {0, 48, 1920, 1032}, {1698, 963}},
        {"taskbar on the left", kFullHd, {62, 0, 1858, 1080}, {1698, 963}},
        {"primary screen right of another", kRight, {1920, 0, 1920, 1032}, {3618, 955}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DefaultCorner(c.screen, c.available, kPanel), c.expected) << c.what;
    }
}

// Through the screen's own signal, as the window system reports a new resolution.
TEST(PanelPlacement, ThePanelFollowsItsScreensChangesWhileItRuns) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect actual = screen->geometry();
    TForm1 form(std::make_unique<test::FakeBrowser>(), [] { return true; });
    form.FormCreate();
    const QPoint corner = form.defaultPosition();
    ASSERT_EQ(form.pos(), corner);

    const QRect larger(actual.topLeft(), actual.size() + QSize(224, 168));
    emit screen->geometryChanged(larger);
    EXPECT_EQ(form.pos(), corner + QPoint(224, 168));
    emit screen->geometryChanged(actual);
    EXPECT_EQ(form.pos(), corner);

    form.move(actual.right() + 500, actual.bottom() + 500);
    emit screen->geometryChanged(actual);
    EXPECT_EQ(form.pos(), corner);

    form.move(actual.topLeft() + QPoint(-100, 10));
    emit screen->geometryChanged(actual);
    EXPECT_EQ(form.pos(), actual.topLeft() + QPoint(-100, 10));
}

}  // namespace
}  // namespace plimo
