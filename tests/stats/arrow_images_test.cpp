#include "stats/arrow_images.h"

#include <gtest/gtest.h>

namespace plimo {
namespace {

struct Span {
    int first;
    int last;  // inclusive; first > last for a background row
};

constexpr Span kBackground = {1, 0};

// The arrows row by row as columns from-to.
constexpr Span kDownRows[16] = {kBackground, kBackground, kBackground, kBackground, kBackground, kBackground,
                                kBackground, kBackground, kBackground, {0, 11},     {0, 11},     {1, 10},
                                {2, 9},      {3, 8},      {4, 7},      {5, 6}};
constexpr Span kUpRows[16] = {{5, 6},      {4, 7},      {3, 8},      {2, 9},      {1, 10},     {0, 11},
                              {0, 11},     kBackground, kBackground, kBackground, kBackground, kBackground,
                              kBackground, kBackground, kBackground, kBackground};

void ExpectShape(const ArrowImage& image, const Span (&rows)[16]) {
    for (int row = 0; row < kArrowImageSize; ++row) {
        for (int column = 0; column < kArrowImageSize; ++column) {
            const bool expected = column >= rows[row].first && column <= rows[row].last;
            EXPECT_EQ(image.isArrowPixel(row, column), expected) << "row " << row << ", column " << column;
        }
        EXPECT_EQ(image.rows[row] >> kArrowShownWidth, 0) << "row " << row << " reaches past the shown columns";
    }
}

TEST(ArrowImages, DownArrowIsTheRedTriangleInTheLowerRows) {
    EXPECT_EQ(DownArrowImage().colour, 0x000000FE);
    ExpectShape(DownArrowImage(), kDownRows);
}

TEST(ArrowImages, UpArrowIsTheGreenTriangleInTheUpperRows) {
    EXPECT_EQ(UpArrowImage().colour, 0x0023FE00);
    ExpectShape(UpArrowImage(), kUpRows);
}

TEST(ArrowImages, TheArrowsMirrorEachOtherAboutTheHorizontalAxis) {
    for (int row = 0; row < kArrowImageSize; ++row) {
        EXPECT_EQ(UpArrowImage().rows[row], DownArrowImage().rows[kArrowImageSize - 1 - row]) << "row " << row;
    }
}

}  // namespace
}  // namespace plimo
