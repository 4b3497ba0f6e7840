#include "platform/run_key.h"

#include <cstdlib>

#include "platform/autostart_entry.h"
#include "platform/module_path.h"

namespace plimo {

void SetAutostart(std::string_view valueName, bool remove) {
    try {
        // The desktop's own variables name the user's autostart folder and the system-wide ones it may mask.
        SetAutostartEntry(
            AutostartFoldersFor(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), std::getenv("XDG_CONFIG_DIRS")),
            valueName, remove, remove ? std::filesystem::path() : ModulePath());
    } catch (...) {
        // Silent, as the registration has always been.
    }
}

}  // namespace plimo
