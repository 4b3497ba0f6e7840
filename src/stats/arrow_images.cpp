#include "stats/arrow_images.h"

namespace plimo {
namespace {

// Bit c of a row is column c; the arrows are twelve columns wide, narrowing by one column at each end per row.
constexpr ArrowImage kDown = {
    0x000000FE,  // R 254, G 0, B 0
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0FFF, 0x0FFF, 0x07FE, 0x03FC, 0x01F8, 0x00F0, 0x0060},
};

constexpr ArrowImage kUp = {
    0x0023FE00,  // R 0, G 254, B 35
    {0x0060, 0x00F0, 0x01F8, 0x03FC, 0x07FE, 0x0FFF, 0x0FFF, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};

}  // namespace

const ArrowImage& DownArrowImage() {
    return kDown;
}
const ArrowImage& UpArrowImage() {
    return kUp;
}

}  // namespace plimo
