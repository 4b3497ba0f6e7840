#pragma once

#include <cstdint>
#include <string_view>

namespace plimo {

inline constexpr std::string_view kSettingsSection = "OPTIONS";
// Beside the executable.
inline constexpr std::string_view kSettingsFileName = "config.ini";

// The statistics page of a placeholder site, which the user replaces with their own site's page. https, since the
// sign-in posts the password to it.
inline constexpr std::string_view kExampleStatisticsPage = "https://www.liveinternet.ru/stat/example.com/index.html";
inline constexpr std::string_view kExampleSiteAddress = "http://example.com";

// The colours (0x00BBGGRR) the windows show before any settings are loaded; the two font colours are also what a
// config.ini without them gives.
inline constexpr std::int32_t kDefaultWindowColour = 0x00AF3661;
inline constexpr std::int32_t kDefaultVisitorsColour = 0x0080FFFF;  // Label2 and Label6
inline constexpr std::int32_t kDefaultViewsColour = 0x00F3ED07;     // Label1 and Label3

}  // namespace plimo
