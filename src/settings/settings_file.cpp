#include "settings/settings_file.h"

#include "platform/profile.h"
#include "settings/colour_text.h"
#include "settings/settings_keys.h"
#include "settings/trimmed_text.h"

namespace plimo {

namespace {

// Notepad's "Unicode": a byte order mark, or the NUL bytes of ASCII letters in UTF-16.
bool IsUtf16(std::string_view text) {
    return text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF") ||
           (text.size() >= 2 && ((text[0] != '\0' && text[1] == '\0') || (text[0] == '\0' && text[1] != '\0')));
}

SettingsTexts Defaults(int defaultX, int defaultY) {
    SettingsTexts defaults;
    defaults.autostart = "1";
    defaults.lindx = kExampleStatisticsPage;
    defaults.color = "clBlack";
    defaults.colorf1 = FormatColour(kDefaultVisitorsColour);
    defaults.colorf2 = FormatColour(kDefaultViewsColour);
    defaults.blend = "193";
    defaults.up = "2";
    defaults.cx = std::to_string(defaultX);
    defaults.cy = std::to_string(defaultY);
    defaults.fs = "1";
    return defaults;
}

}  // namespace

SettingsFileRead ReadSettingsFile(const std::filesystem::path& file, int defaultX, int defaultY) {
    SettingsFileRead result;
    try {
        const ProfileFile profile(file);
        if (profile.readFailure() != FileReadFailure::None) {
            result.problem = SettingsFileProblem::CannotRead;
            result.failure = profile.readFailure();
            result.systemError = profile.systemError();
        } else if (profile.text().size() > kMaxSettingsFileSize) {
            result.problem = SettingsFileProblem::TooLarge;
        } else if (IsUtf16(profile.text())) {
            result.problem = SettingsFileProblem::Utf16;
        }
        const SettingsTexts defaults = Defaults(defaultX, defaultY);
        if (result.problem != SettingsFileProblem::None) {
            result.texts = defaults;
            return result;
        }
        SettingsTexts& settings = result.texts;
        auto read = [&profile](std::string_view key, std::string_view defaultValue) {
            return profile.read(kSettingsSection, key, defaultValue);
        };
        settings.autostart = read("autostart", defaults.autostart);
        settings.sitename = read("sitename", defaults.sitename);
        settings.sitehttp = read("sitehttp", defaults.sitehttp);
        settings.pass = read("pass", defaults.pass);
        settings.color = read("color", defaults.color);
        settings.colorf1 = read("colorf1", defaults.colorf1);
        settings.colorf2 = read("colorf2", defaults.colorf2);
        settings.blend = read("blend", defaults.blend);
        settings.up = read("up", defaults.up);
        settings.cx = read("cx", defaults.cx);
        settings.cy = read("cy", defaults.cy);
        settings.fs = read("fs", defaults.fs);
        settings.lindx = read("lindx", defaults.lindx);
    } catch (...) {
        // Out of memory halfway: the keys not read by then stay empty, and their conversions fail later.
    }
    return result;
}

bool WriteSettingsFile(const std::filesystem::path& readFrom, const std::filesystem::path& file,
                       const SettingsTexts& settings, SettingsKeys keys) {
    try {
        ProfileFile profile(readFrom);
        profile.commitTo(file);
        bool writable = true;
        auto write = [&](SettingsKey key, std::string_view name, const std::string& value) {
            if (keys.test(static_cast<std::size_t>(key))) {
                writable = writable && profile.write(kSettingsSection, name, value);
            }
        };
        write(SettingsKey::autostart, "autostart", settings.autostart);
        write(SettingsKey::sitename, "sitename", Trimmed(settings.sitename));
        write(SettingsKey::sitehttp, "sitehttp", Trimmed(settings.sitehttp));
        write(SettingsKey::lindx, "lindx", Trimmed(settings.lindx));
        write(SettingsKey::pass, "pass", Trimmed(settings.pass));
        write(SettingsKey::color, "color", settings.color);
        write(SettingsKey::colorf1, "colorf1", settings.colorf1);
        write(SettingsKey::colorf2, "colorf2", settings.colorf2);
        write(SettingsKey::blend, "blend", settings.blend);
        write(SettingsKey::up, "up", settings.up);
        write(SettingsKey::cx, "cx", settings.cx);
        write(SettingsKey::cy, "cy", settings.cy);
        write(SettingsKey::fs, "fs", "0");
        return profile.commit() && writable;
    } catch (...) {
        return false;
    }
}

bool WriteSettingsFile(const std::filesystem::path& file, const SettingsTexts& settings) {
    return WriteSettingsFile(file, file, settings);
}

}  // namespace plimo
