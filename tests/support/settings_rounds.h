#pragma once

#include "settings/settings_keys.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace plimo::test {

// The keys a settings save writes, in its order.
inline constexpr std::array<std::string_view, kSettingsKeyCount> kRoundKeys = [] {
    std::array<std::string_view, kSettingsKeyCount> names{};
    for (std::size_t i = 0; i < kSettingsKeyCount; ++i) {
        names[i] = kSettingsKeyRules[i].name;
    }
    return names;
}();

// The value of a key in a numbered round of saves: the round, then a filler that differs from key to key, long
// enough that a write takes a while.
inline std::string RoundValue(long round, std::string_view key) {
    return std::to_string(round) + ":" + std::string(200, key.front()) + std::string(key);
}

}  // namespace plimo::test
