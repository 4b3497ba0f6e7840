#pragma once

#include <array>
#include <string>
#include <string_view>

namespace plimo::test {

// The keys a settings save writes, in its order.
inline constexpr std::array<std::string_view, 13> kRoundKeys = {"autostart", "sitename", "sitehttp", "lindx", "pass",
                                                                "color",     "colorf1",  "colorf2",  "blend", "up",
                                                                "cx",        "cy",       "fs"};

// The value of a key in a numbered round of saves: the round, then a filler that differs from key to key, long
// enough that a write takes a while.
inline std::string RoundValue(long round, std::string_view key) {
    return std::to_string(round) + ":" + std::string(200, key.front()) + std::string(key);
}

}  // namespace plimo::test
