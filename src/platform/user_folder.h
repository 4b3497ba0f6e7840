#pragma once

#include <filesystem>

namespace plimo {

// The user's own folder for the program's settings: %APPDATA%\Plimo, $XDG_CONFIG_HOME/plimo (~/.config/plimo);
// empty when there is none.
std::filesystem::path UserSettingsFolder();

// Whether a new file can be made in the folder now; a folder without its owner's write permission counts as not
// writable even for a user, such as root, whom the system would let write.
bool CanWriteInFolder(const std::filesystem::path& folder);

}  // namespace plimo
