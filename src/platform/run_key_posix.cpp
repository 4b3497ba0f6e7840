#include "platform/run_key.h"

#include "platform/autostart_entry.h"
#include "platform/module_path.h"

namespace plimo {

void SetAutostart(std::string_view valueName, bool remove) {
    try {
        SetAutostartEntry("/etc/xdg/autostart", valueName, remove, remove ? std::filesystem::path() : ModulePath());
    } catch (...) {
        // Silent, as the registration has always been.
    }
}

}  // namespace plimo
