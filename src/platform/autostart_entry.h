#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace plimo {

// The freedesktop autostart entry that starts the program when a user logs on: "<name>.desktop" in the user's
// autostart folder, which also overrides, by its name, an entry of the same name in a system-wide folder. Nothing
// outside the user's folder is ever written or deleted: a system-wide entry starts the program for every user, and
// one user's choice is masked for that user alone. These work on the folders given, so that tests need no real one.

// The Exec value for the executable: its path as one quoted argument, escaped for the desktop-entry format.
std::string DesktopExecValue(const std::filesystem::path& executable);

// The whole entry, UTF-8 lines ending in LF.
std::string AutostartEntryText(const std::filesystem::path& executable);

// The entry that hides a system-wide one of the same file name from this user.
std::string HiddenAutostartEntryText();

struct AutostartFolders {
    std::filesystem::path user;                 // written; created when missing
    std::vector<std::filesystem::path> system;  // only read
};

// The folders as the freedesktop rules place them: $XDG_CONFIG_HOME/autostart (default ~/.config/autostart) and
// each of $XDG_CONFIG_DIRS/autostart (default /etc/xdg/autostart). A relative XDG value is ignored, as the rules
// say; without any home the user folder stays empty.
AutostartFolders AutostartFoldersFor(const char* xdgConfigHome, const char* home, const char* xdgConfigDirs);

// remove false: writes "<name>.desktop" in the user folder in one step and takes away other entries there whose
// names differ only in letter case, so that the program is registered once; a system entry under another letter
// case is masked. remove true: deletes every user "*.desktop" whose name before the extension matches without
// regard to letter case, and masks every such system entry. A system entry is masked by a user entry of its own
// file name with Hidden=true. Every failure is silent.
void SetAutostartEntry(const AutostartFolders& folders, std::string_view name, bool remove,
                       const std::filesystem::path& executable);

}  // namespace plimo
