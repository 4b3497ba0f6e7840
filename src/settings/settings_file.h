#pragma once

#include "platform/file_read.h"
#include "settings/settings_keys.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace plimo {

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

// Writes the keys given, each by its write rule and in their order, into the file as it now
// stands, or a new one; the file's other lines stay as they are. The file is replaced in one step, so that it is
// always either the old file or the new one. The first key that cannot be written ends the save; false then and on
// any other failure.
bool WriteSettingsFile(const std::filesystem::path& readFrom, const std::filesystem::path& file,
                       const SettingsTexts& settings, SettingsKeys keys = AllSettingsKeys());
bool WriteSettingsFile(const std::filesystem::path& file, const SettingsTexts& settings);

}  // namespace plimo
