#include "platform/atomic_file.h"

#include <cerrno>
#include <chrono>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plimo {
namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A link is followed, so that the file it names gets the new contents and the link stays a link; a dangling link
// names the file it will create. A loop of links fails.
bool resolveTarget(const std::filesystem::path& file, std::filesystem::path& target) {
    target = file;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return true;
        }
        std::error_code error;
        const std::filesystem::path next = std::filesystem::read_symlink(target, error);
        if (error || next.empty()) {
            return false;
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return false;
}

// Opens the temporary file, empty and locked, so that two programs saving the same file take turns. The name is
// always the same: a writer killed halfway leaves at most this one file behind, and the next write takes it over.
// A file that was locked while its writer renamed it into place is no longer the temporary file: open it again.
int openTemporary(const std::string& path, bool mayRemoveStale) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            // Left by another user (a killed save as root) or replaced by a link: in a folder of one's own it is
            // removed, once, rather than failing every save from now on.
            if ((errno == EACCES || errno == EPERM || errno == ELOOP) && mayRemoveStale &&
                ::unlink(path.c_str()) == 0) {
                mayRemoveStale = false;
                continue;
            }
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            struct stat opened {};
            struct stat named {};
            if (::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
                opened.st_ino == named.st_ino) {
                if (::ftruncate(fd, 0) == 0) {
                    return fd;
                }
                ::close(fd);
                return -1;
            }
        } else if (errno != EWOULDBLOCK) {
            ::close(fd);
            return -1;
        }
        ::close(fd);
        if (std::chrono::steady_clock::now() > giveUp) {
            return -1;
        }
        ::usleep(1000);
    }
}

}  // namespace

bool ReplaceFileContents(const std::filesystem::path& file, std::string_view bytes, NewFileReaders readers) {
    try {
        std::filesystem::path target;
        if (!resolveTarget(file, target)) {
            return false;
        }
        struct stat existing {};
        const bool exists = ::stat(target.c_str(), &existing) == 0;
        if (!exists && errno != ENOENT) {
            return false;
        }
        if (exists && (!S_ISREG(existing.st_mode) || (existing.st_mode & S_IWUSR) == 0)) {
            return false;
        }
        std::filesystem::path folder = target.parent_path();
        if (folder.empty()) {
            folder = ".";
        }
        struct stat folderInfo {};
        if (::stat(folder.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode) ||
            (folderInfo.st_mode & S_IWUSR) == 0) {
            return false;
        }

        const std::string temporary = (folder / ("." + target.filename().string() + ".tmp")).string();
        const int fd = openTemporary(temporary, folderInfo.st_uid == ::geteuid());
        if (fd < 0) {
            return false;
        }
        // The settings hold a password: every save leaves them to their owner alone, whatever the mode was.
        const mode_t mode = readers == NewFileReaders::OwnerOnly ? (exists ? (existing.st_mode & 0700) | 0600 : 0600)
                                                                 : (exists ? existing.st_mode & 07777 : 0644);
        bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes);
        // A file stays its owner's; a new one is given to the owner of its folder, so that a run as root in a
        // user's folder does not lock that user out. Only root may give a file away; anyone else keeps it.
        const uid_t owner = exists ? existing.st_uid : folderInfo.st_uid;
        const gid_t group = exists ? existing.st_gid : folderInfo.st_gid;
        if (ok && (owner != ::geteuid() || group != ::getegid())) {
            ok = ::fchown(fd, owner, group) == 0 || errno == EPERM;
        }
        ok = ok && ::fsync(fd) == 0;
        // Renamed while still locked, so that no other writer can empty it on its way into place.
        ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
        if (!ok) {
            ::unlink(temporary.c_str());
        }
        ::close(fd);
        if (!ok) {
            return false;
        }
        // The rename itself must reach the disk too, or a power cut could bring back the old name.
        const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folderFd >= 0) {
            ::fsync(folderFd);
            ::close(folderFd);
        }
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace plimo
