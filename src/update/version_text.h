#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace plimo {

// The digits that stand for a version text: everything in front of the first "." and the one character after it
// ("1.1" -> "11", "2.05" -> "20", "12.3" -> "123"); without a "." only the first character ("10" -> "1").
inline std::string VersionNumberText(std::string_view text) {
    const std::size_t point = text.find('.');
    if (point == std::string_view::npos) {
        return std::string(text.substr(0, 1));
    }
    // Only one digit after the point counts: "1.10" is 11, not 110.
    return std::string(text.substr(0, point)) + std::string(text.substr(point + 1, 1));
}

// VersionNumberText read as an integer; throws EConvertError when it is not one ("1.x", "", ".").
std::int32_t VersionNumber(std::string_view text);

// This program's version as the rule numbers it: of its first two numbers only, so that 1.0.1 is 10, not 101.
std::int32_t BuiltInVersion();

// Whether a version file's text names a version newer than this one; false for an empty or unreadable text.
bool IsNewerVersion(std::string_view versionText);

}  // namespace plimo
