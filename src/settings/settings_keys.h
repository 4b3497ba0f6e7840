#pragma once

#include <string_view>

namespace plimo {

inline constexpr std::string_view kSettingsSection = "OPTIONS";
inline constexpr std::string_view kSettingsFileName = "config.ini";

// The statistics page of a placeholder site, which the user replaces with their own site's page. https, since the
// sign-in posts the password to it.
inline constexpr std::string_view kExampleStatisticsPage = "https://www.liveinternet.ru/stat/example.com/index.html";
inline constexpr std::string_view kExampleSiteAddress = "http://example.com";

}  // namespace plimo
