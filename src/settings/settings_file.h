#pragma once

#include "platform/file_read.h"

#include <bitset>
#include <cstdint>
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

// The keys in the order a save writes them.
enum class SettingsKey { autostart, sitename, sitehttp, lindx, pass, color, colorf1, colorf2, blend, up, cx, cy, fs };
inline constexpr std::size_t kSettingsKeyCount = 13;
using SettingsKeys = std::bitset<kSettingsKeyCount>;
inline SettingsKeys AllSettingsKeys() {
    return SettingsKeys().set();
}
inline SettingsKeys& Add(SettingsKeys& keys, SettingsKey key) {
    return keys.set(static_cast<std::size_t>(key));
}

// Larger than any settings file this program writes: such a file is something else, and is not read.
inline constexpr std::size_t kMaxSettingsFileSize = std::size_t{1} << 20;

enum class SettingsFileProblem {
    None,
    CannotRead,  // the system refused the read: see failure
    TooLarge,
    Utf16,
};

struct SettingsFileRead {
    SettingsTexts texts;
    SettingsFileProblem problem = SettingsFileProblem::None;
    FileReadFailure failure = FileReadFailure::None;
    std::uint32_t systemError = 0;
};

// Every key with its default where the file lacks it; the panel's default place comes from the caller. A file that
// exists but cannot be taken for the settings (not readable, too large, UTF-16) gives every default and says why.
SettingsFileRead ReadSettingsFile(const std::filesystem::path& file, int defaultX, int defaultY);

// Writes the keys given (the four typed texts trimmed, and "fs" as "0"), in their order, into the file as it now
// stands, or a new one; the file's other lines stay as they are. The file is replaced in one step, so that it is
// always either the old file or the new one. The first key that cannot be written ends the save; false then and on
// any other failure.
bool WriteSettingsFile(const std::filesystem::path& readFrom, const std::filesystem::path& file,
                       const SettingsTexts& settings, SettingsKeys keys = AllSettingsKeys());
bool WriteSettingsFile(const std::filesystem::path& file, const SettingsTexts& settings);

}  // namespace plimo
