#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plimo {

inline constexpr std::int32_t kFallingColour = 3224059;  // both changes negative
inline constexpr std::int32_t kNormalColour = 2293248;   // otherwise

enum class Arrow { Unchanged, None, Up, Down };

// What one display step changes on the panel; an empty optional or Arrow::Unchanged leaves an element as it is.
struct DisplayUpdate {
    std::optional<std::string> views;           // Label1
    std::optional<std::string> visitors;        // Label2
    std::optional<std::string> viewsChange;     // Label3, magnitude without sign
    std::optional<std::string> visitorsChange;  // Label6, magnitude without sign
    Arrow viewsArrow = Arrow::Unchanged;        // Image2
    Arrow visitorsArrow = Arrow::Unchanged;     // Image3
    std::optional<std::int32_t> siteNameColour;

    bool operator==(const DisplayUpdate&) const = default;
};

// The decisions of the display step for a scratch text. A change that is not a plain integer even with its
// digit-group commas removed leaves its label and arrow as they are and counts as not fallen.
DisplayUpdate DecideDisplay(std::string_view scratch);

}  // namespace plimo
