#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace plimo {

// The freedesktop autostart entry that starts the program when a user logs on: "<name>.desktop" in an autostart
// folder (/etc/xdg/autostart for every user). These work on any folder, so that tests need no system one.

// The Exec value for the executable: its path as one quoted argument, escaped for the desktop-entry format.
std::string DesktopExecValue(const std::filesystem::path& executable);

// The whole entry, UTF-8 lines ending in LF.
std::string AutostartEntryText(const std::filesystem::path& executable);

// remove false: writes "<name>.desktop" in one step and takes away other entries whose names differ only in
// letter case, so that the program is registered once. remove true: deletes every "*.desktop" whose name before
// the extension matches without regard to letter case. A missing folder is not created; every failure is silent.
void SetAutostartEntry(const std::filesystem::path& folder, std::string_view name, bool remove,
                       const std::filesystem::path& executable);

}  // namespace plimo
