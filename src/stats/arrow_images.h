#pragma once

#include <array>
#include <cstdint>

namespace plimo {

// A 16 x 16 arrow of the image list: bit c of rows[r] is set where pixel (column c, row r) belongs to the arrow;
// every other pixel is background.
struct ArrowImage {
    std::int32_t colour;  // 0x00BBGGRR
    std::array<std::uint16_t, 16> rows;

    bool isArrowPixel(int row, int column) const { return (rows.at(row) >> column) & 1u; }
};

inline constexpr int kArrowImageSize = 16;
inline constexpr int kArrowShownWidth = 12;  // the image controls show the left 12 columns

const ArrowImage& DownArrowImage();  // image 0: red, rows 9 to 15
const ArrowImage& UpArrowImage();    // image 1: green, rows 0 to 6

}  // namespace plimo
