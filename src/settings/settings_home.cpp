#include "settings/settings_home.h"

#include "platform/module_path.h"
#include "platform/user_folder.h"
#include "settings/settings_keys.h"

#include <system_error>

namespace plimo {

SettingsHome ChooseSettingsHome(const std::filesystem::path& programFolder, bool programFolderWritable,
                                const std::filesystem::path& userFolder) {
    const std::filesystem::path besideProgram = programFolder / kSettingsFileName;
    if (programFolderWritable || userFolder.empty()) {
        return {programFolder, besideProgram};
    }
    const std::filesystem::path own = userFolder / kSettingsFileName;
    std::error_code error;
    // Any entry counts, one that cannot be read too: it is the user's, and the copy beside the program is older.
    const bool ownExists = std::filesystem::symlink_status(own, error).type() != std::filesystem::file_type::not_found;
    return {userFolder, ownExists ? own : besideProgram};
}

SettingsHome FindSettingsHome() {
    const std::filesystem::path programFolder = ModuleDirectory();
    if (CanWriteInFolder(programFolder)) {
        return {programFolder, programFolder / kSettingsFileName};
    }
    const std::filesystem::path userFolder = UserSettingsFolder();
    std::error_code error;
    if (!userFolder.empty()) {
        std::filesystem::create_directories(userFolder, error);
    }
    // A user folder that cannot be made either leaves the program's folder, where the save then fails as it did.
    const bool usable = !userFolder.empty() && !error && CanWriteInFolder(userFolder);
    return ChooseSettingsHome(programFolder, !usable, usable ? userFolder : std::filesystem::path());
}

}  // namespace plimo
