#pragma once

#include <filesystem>

namespace plimo {

// Where the program keeps config.ini, the version file's copy and its lock.
struct SettingsHome {
    std::filesystem::path folder;      // written: config.ini, plimover.txt, plimo.lock
    std::filesystem::path configFile;  // the config.ini that is read
};

// The program's own folder when its user can write there. Otherwise the user's settings folder; until that holds a
// config.ini, the one beside the program (a copy shipped or left there) is read, and never written.
SettingsHome ChooseSettingsHome(const std::filesystem::path& programFolder, bool programFolderWritable,
                                const std::filesystem::path& userFolder);

// The choice for the running program, with the user's folder made when it is chosen.
SettingsHome FindSettingsHome();

}  // namespace plimo
