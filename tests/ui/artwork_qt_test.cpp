#include "ui/artwork.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

namespace plimo {
namespace {

QImage imageOf(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

// Share of pixels that are (almost) fully covered.
double coverage(const QImage& image) {
    qsizetype covered = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            covered += qAlpha(image.pixel(x, y)) > 200 ? 1 : 0;
        }
    }
    return double(covered) / (double(image.width()) * image.height());
}

// Mean opacity: the share of the box the picture covers, counting edge pixels by their partial cover, so that
// it hardly depends on the density.
double meanAlpha(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            sum += qAlpha(image.pixel(x, y));
        }
    }
    return sum / 255.0 / (double(image.width()) * image.height());
}

// Centre of the covered area, in logical pixels.
QPointF centroid(const QImage& image) {
    double sx = 0, sy = 0, weight = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            sx += alpha * (x + 0.5);
            sy += alpha * (y + 0.5);
            weight += alpha;
        }
    }
    const double dpr = image.devicePixelRatio();
    return weight > 0 ? QPointF(sx / weight / dpr, sy / weight / dpr) : QPointF();
}

// Counts the covered pixels whose colour the predicate accepts.
qsizetype countPixels(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& accept) {
    qsizetype count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor colour = QColor::fromRgba(image.pixel(x, y));
            count += colour.alpha() > 200 && accept(colour) ? 1 : 0;
        }
    }
    return count;
}

bool hueWithin(const QColor& colour, int from, int to) {
    const int hue = colour.hsvHue();
    return colour.hsvSaturation() > 60 && hue >= from && hue <= to;
}

bool isBlue(const QColor& c) {
    return hueWithin(c, 200, 235);
}
bool isViolet(const QColor& c) {
    return hueWithin(c, 245, 290);
}
bool isBlueViolet(const QColor& c) {
    return hueWithin(c, 230, 275);
}
bool isRed(const QColor& c) {
    return c.hsvSaturation() > 60 && (c.hsvHue() <= 15 || c.hsvHue() >= 345);
}
bool isLight(const QColor& c) {
    return c.lightness() > 200;
}

struct Mark {
    std::string name;
    std::function<QPixmap(qreal)> render;
    QSize logicalSize;
    bool allCornersClear;  // the hide glyph's top edge is part of the triangle
};

void PrintTo(const Mark& mark, std::ostream* out) {
    *out << mark.name << " mark";
}

class MarkTest : public ::testing::TestWithParam<Mark> {};

TEST_P(MarkTest, HasItsSizeAtEveryDensityAndAClearGround) {
    const Mark& mark = GetParam();
    for (qreal dpr : {1.0, 2.0}) {
        SCOPED_TRACE(dpr);
        const QPixmap pixmap = mark.render(dpr);
        EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), mark.logicalSize);
        EXPECT_EQ(pixmap.size(), mark.logicalSize * dpr);
        EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), dpr);

        const QImage image = imageOf(pixmap);
        ASSERT_TRUE(image.hasAlphaChannel());
        const int right = image.width() - 1, bottom = image.height() - 1;
        // The panel treats the bottom-left pixel's colour as see-through: it must be the empty ground.
        EXPECT_EQ(qAlpha(image.pixel(0, bottom)), 0);
        EXPECT_EQ(qAlpha(image.pixel(right, bottom)), 0);
        if (mark.allCornersClear) {
            EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
            EXPECT_EQ(qAlpha(image.pixel(right, 0)), 0);
        }
        EXPECT_GT(coverage(image), 0.15) << "the picture is (nearly) empty";
        EXPECT_LT(coverage(image), 0.85) << "the picture fills its whole box";
    }
}

TEST_P(MarkTest, LooksTheSameAtDoubleDensity) {
    // Drawing in device pixels instead of logical ones would shrink the 2x picture into a corner.
    const QImage single = imageOf(GetParam().render(1.0));
    const QImage twice = imageOf(GetParam().render(2.0));
    EXPECT_NEAR(meanAlpha(twice), meanAlpha(single), 0.03);
    const QPointF a = centroid(single), b = centroid(twice);
    EXPECT_NEAR(a.x(), b.x(), 0.5);
    EXPECT_NEAR(a.y(), b.y(), 0.5);
}

INSTANTIATE_TEST_SUITE_P(
    Marks, MarkTest,
    ::testing::Values(
        Mark{"views", viewsMark, QSize(24, 23), true}, Mark{"visitors", visitorsMark, QSize(26, 23), true},
        Mark{"hide", hideGlyph, QSize(11, 6), false},
        Mark{"down_arrow", [](qreal dpr) { return arrowPixmap(DownArrowImage(), dpr); }, QSize(16, 16), true},
        Mark{"up_arrow", [](qreal dpr) { return arrowPixmap(UpArrowImage(), dpr); }, QSize(16, 16), true}),
    [](const auto& testInfo) { return testInfo.param.name; });

TEST(Artwork, MarksHaveTheirColours) {
    const QImage views = imageOf(viewsMark(2.0));
    const QRect all = views.rect();
    EXPECT_GT(countPixels(views, all, isBlueViolet),
              countPixels(views, all, [](const QColor&) { return true; }) * 9 / 10);

    const QImage visitors = imageOf(visitorsMark(2.0));
    EXPECT_GT(countPixels(visitors, visitors.rect(), isLight), 100) << "no light figure";
    EXPECT_GT(countPixels(visitors, visitors.rect(), isBlue), 100) << "no blue figure";

    // The glyph: blue along its top edge, violet in its middle.
    const QImage glyph = imageOf(hideGlyph(2.0));
    EXPECT_TRUE(isBlue(QColor::fromRgba(glyph.pixel(11, 0))));
    EXPECT_TRUE(isBlue(QColor::fromRgba(glyph.pixel(2, 0))));
    EXPECT_TRUE(isViolet(QColor::fromRgba(glyph.pixel(11, 4))));
}

TEST(Artwork, ProgramIconDrawsEveryTraySizeAndTaskbarSize) {
    const QIcon icon = programWindowIcon();
    ASSERT_FALSE(icon.isNull());
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(side);
        const QImage image = imageOf(icon.pixmap(QSize(side, side)));
        ASSERT_EQ(image.size(), QSize(side, side));
        const int last = side - 1;
        for (QPoint corner : {QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last)}) {
            EXPECT_EQ(qAlpha(image.pixel(corner)), 0);
        }
        const qsizetype covered = countPixels(image, image.rect(), [](const QColor&) { return true; });
        EXPECT_GT(covered, side * side / 8) << "the dog is missing";
        EXPECT_GT(countPixels(image, image.rect(), isRed), covered * 9 / 10) << "the dog is not red";
    }
}

TEST(Artwork, WindowIconOffersOnlyTheSizesThatAreShownYetDrawsAnySize) {
    const QIcon icon = programWindowIcon();
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}}));
    const QImage large = imageOf(icon.pixmap(QSize(128, 128)));
    ASSERT_EQ(large.size(), QSize(128, 128));
    EXPECT_GT(countPixels(large, large.rect(), isRed), 128 * 128 / 8) << "the dog is missing";
}

TEST(Artwork, ProgramIconIsSharpAtDoubleDensityAndKeepsItsShapeInOtherBoxes) {
    const QPixmap sharp = programIconPixmap(32, 2.0);
    EXPECT_EQ(sharp.size(), QSize(64, 64));
    EXPECT_DOUBLE_EQ(sharp.devicePixelRatio(), 2.0);
    EXPECT_NEAR(meanAlpha(imageOf(sharp)), meanAlpha(imageOf(programIconPixmap(64))), 0.02);
    const QPixmap fromIcon = programWindowIcon().pixmap(QSize(22, 22), 2.0);
    EXPECT_EQ(fromIcon.size(), QSize(44, 44)) << "a 2x screen must get a 44-pixel drawing, not an enlarged 22";
    EXPECT_DOUBLE_EQ(fromIcon.devicePixelRatio(), 2.0);

    // A wide box gets the square dog in its middle, not a stretched one.
    const QImage wide = imageOf(programWindowIcon().pixmap(QSize(48, 32)));
    ASSERT_EQ(wide.size(), QSize(48, 32));
    EXPECT_EQ(countPixels(wide, QRect(0, 0, 8, 32), [](const QColor&) { return true; }), 0);
    EXPECT_EQ(countPixels(wide, QRect(40, 0, 8, 32), [](const QColor&) { return true; }), 0);

    // The tray paints the icon straight into its cell, here a 22-pixel cell on a 2x screen.
    QImage cell(44, 44, QImage::Format_ARGB32_Premultiplied);
    cell.setDevicePixelRatio(2.0);
    cell.fill(Qt::transparent);
    QPainter painter(&cell);
    programWindowIcon().paint(&painter, QRect(0, 0, 22, 22));
    painter.end();
    EXPECT_NEAR(coverage(cell.convertToFormat(QImage::Format_ARGB32)), coverage(imageOf(programIconPixmap(44))), 0.03);
}

TEST(Artwork, ProductPictureIsAnOpaqueBannerWithLinesAndAReflection) {
    for (qreal dpr : {1.0, 2.0}) {
        SCOPED_TRACE(dpr);
        const QPixmap pixmap = productPicture(dpr);
        EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), QSize(309, 175));
        EXPECT_EQ(pixmap.size(), QSize(309, 175) * dpr);
        const QImage image = imageOf(pixmap);
        const auto scaled = [dpr](int x, int y, int w, int h) {
            return QRect(qRound(x * dpr), qRound(y * dpr), qRound(w * dpr), qRound(h * dpr));
        };
        const auto any = [](const QColor&) { return true; };
        EXPECT_EQ(countPixels(image, image.rect(), any), qsizetype(image.width()) * image.height())
            << "the picture must be opaque";
        EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
        EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), qRgb(255, 255, 255));

        const auto salmon = [](const QColor& c) { return isRed(c) && c.red() > 200 && c.green() > 60; };
        EXPECT_GT(countPixels(image, scaled(0, 0, 130, 86), salmon), 1500 * dpr * dpr) << "no dog at the top left";
        EXPECT_GT(countPixels(image, scaled(130, 0, 179, 86), isBlue), 1500 * dpr * dpr) << "no name to its right";

        // Two lines across the width, blue above red.
        int blueRow = -1, redRow = -1;
        for (int y = 0; y < image.height(); ++y) {
            const QRect row(0, y, image.width(), 1);
            if (blueRow < 0 && countPixels(image, row, isBlue) > image.width() * 9 / 10) {
                blueRow = y;
            }
            if (redRow < 0 && countPixels(image, row, isRed) > image.width() * 9 / 10) {
                redRow = y;
            }
        }
        ASSERT_GE(blueRow, 0);
        ASSERT_GE(redRow, 0);
        EXPECT_LT(blueRow, redRow);
        EXPECT_LT(redRow - blueRow, 6 * dpr);

        // Below the lines: the dog and the name again, much paler, still dog on the left and name on the right.
        const int below = redRow + qRound(2 * dpr);
        const QRect reflectionLeft(0, below, qRound(130 * dpr), image.height() - below);
        const QRect reflectionRight(qRound(130 * dpr), below, image.width() - qRound(130 * dpr),
                                    image.height() - below);
        const auto faint = [](const QColor& c) { return c.lightness() < 250; };
        const auto strong = [](const QColor& c) { return c.lightness() < 200; };
        EXPECT_GT(countPixels(image, reflectionLeft, faint), 500 * dpr * dpr);
        EXPECT_GT(countPixels(image, reflectionRight, faint), 500 * dpr * dpr);
        EXPECT_LT(countPixels(image, reflectionLeft, strong) + countPixels(image, reflectionRight, strong),
                  countPixels(image, scaled(0, 0, 309, 86), strong) / 10)
            << "the reflection is not faded";
        const auto reddish = [](const QColor& c) { return c.red() > c.blue() + 20; };
        const auto bluish = [](const QColor& c) { return c.blue() > c.red() + 20; };
        EXPECT_GT(countPixels(image, reflectionLeft, reddish), countPixels(image, reflectionLeft, bluish));
        EXPECT_GT(countPixels(image, reflectionRight, bluish), countPixels(image, reflectionRight, reddish));
    }
}

}  // namespace
}  // namespace plimo
