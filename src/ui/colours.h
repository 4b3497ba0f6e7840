#pragma once

#include <QColor>

#include <cstdint>

namespace plimo {

// The colour a stored colour value paints with: 0x00BBGGRR directly, a system colour (0xFF0000NN) from the
// application's palette, "no colour" transparent and "default colour" as the palette's window colour.
QColor ToQColor(std::int32_t colour);

}  // namespace plimo
