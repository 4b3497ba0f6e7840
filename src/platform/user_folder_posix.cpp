#include "platform/user_folder.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plimo {

std::filesystem::path UserSettingsFolder() {
    // A relative XDG value is ignored, as the freedesktop rules say.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
        return std::filesystem::path(config) / "plimo";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return std::filesystem::path(home) / ".config" / "plimo";
    }
    return {};
}

bool CanWriteInFolder(const std::filesystem::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || (info.st_mode & S_IWUSR) == 0) {
        return false;
    }
    // A real file, as the save makes one: a read-only mount or an access list answers here, not in the mode bits.
    const std::filesystem::path probe = folder / (".plimo-write-test-" + std::to_string(::getpid()));
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return errno == EEXIST;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

}  // namespace plimo
