#include "settings/settings_file.h"

#include "platform/profile.h"
#include "settings/colour_text.h"
#include "settings/settings_keys.h"
#include "settings/trimmed_text.h"

namespace plimo {

SettingsTexts ReadSettingsFile(const std::filesystem::path& file, int defaultX, int defaultY) {
    SettingsTexts settings;
    try {
        const ProfileFile profile(file);
        auto read = [&profile](std::string_view key, std::string_view defaultValue) {
            return profile.read(kSettingsSection, key, defaultValue);
        };
        settings.autostart = read("autostart", "1");
        settings.sitename = read("sitename", "");
        settings.sitehttp = read("sitehttp", "");
        settings.pass = read("pass", "");
        settings.color = read("color", "clBlack");
        settings.colorf1 = read("colorf1", FormatColour(kDefaultVisitorsColour));
        settings.colorf2 = read("colorf2", FormatColour(kDefaultViewsColour));
        settings.blend = read("blend", "193");
        settings.up = read("up", "2");
        settings.cx = read("cx", std::to_string(defaultX));
        settings.cy = read("cy", std::to_string(defaultY));
        settings.fs = read("fs", "1");
        settings.lindx = read("lindx", kExampleStatisticsPage);
    } catch (...) {
        // A file that cannot be read leaves the keys not read by then empty; their conversions fail later.
    }
    return settings;
}

bool WriteSettingsFile(const std::filesystem::path& file, const SettingsTexts& settings) {
    try {
        ProfileFile profile(file);
        bool writable = true;
        auto write = [&profile, &writable](std::string_view key, const std::string& value) {
            writable = writable && profile.write(kSettingsSection, key, value);
        };
        write("autostart", settings.autostart);
        write("sitename", Trimmed(settings.sitename));
        write("sitehttp", Trimmed(settings.sitehttp));
        write("lindx", Trimmed(settings.lindx));
        write("pass", Trimmed(settings.pass));
        write("color", settings.color);
        write("colorf1", settings.colorf1);
        write("colorf2", settings.colorf2);
        write("blend", settings.blend);
        write("up", settings.up);
        write("cx", settings.cx);
        write("cy", settings.cy);
        write("fs", "0");
        return profile.commit() && writable;
    } catch (...) {
        return false;
    }
}

}  // namespace plimo
