#pragma once

#include <filesystem>
#include <string>

namespace plimo {

// The settings as config.ini holds them: the text of each key, converted only by whoever applies them, so that
// the first value that does not convert stops the applying there.
struct SettingsTexts {
    std::string autostart;  // "1" starts the program at log-on
    std::string sitename;
    std::string sitehttp;  // the site address the sign-in names
    std::string pass;
    std::string lindx;    // the statistics page address
    std::string color;    // window colour
    std::string colorf1;  // visitors' colour
    std::string colorf2;  // page views' colour
    std::string blend;
    std::string up;  // refresh interval index
    std::string cx;
    std::string cy;
    std::string fs;  // "1" until the first run has ended
};

// Every key with its default where the file lacks it; the panel's default place comes from the caller. A file that
// cannot be read leaves the keys not read by then empty.
SettingsTexts ReadSettingsFile(const std::filesystem::path& file, int defaultX, int defaultY);

// Writes every key (the four typed texts trimmed, and "fs" as "0") and replaces the file in one step, so that it is
// always either the old file or the new one. The first key that cannot be written ends the save; false then and on
// any other failure.
bool WriteSettingsFile(const std::filesystem::path& file, const SettingsTexts& settings);

}  // namespace plimo
