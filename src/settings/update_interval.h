#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace plimo {

inline constexpr std::uint32_t kDefaultUpdateInterval = 300000;

// The refresh timer's interval in milliseconds for the chosen item: 30 s, 1 min, 5 min, 30 min, 1 h. Every other
// index, -1 (nothing chosen) and all negative ones included, gives 5 minutes.
std::uint32_t UpdateIntervalForIndex(std::int32_t index);

// The texts of the five items in the same order, UTF-8.
const std::array<std::string_view, 5>& IntervalItemTexts();

}  // namespace plimo
