#include "platform/atomic_file_posix.h"

#include <cerrno>
#include <chrono>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plimo {
namespace {

constexpr uid_t kRoot = 0;

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }

private:
    int m_fd;
};

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

std::filesystem::path folderOf(const std::filesystem::path& path) {
    std::filesystem::path folder = path.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// Root follows a link only in a folder of its own. In another user's folder that user may have planted it, and
// root would then write, create or take away whatever file the user chose.
bool mayFollowLinkIn(const std::filesystem::path& folder, uid_t user) {
    if (user != kRoot) {
        return true;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && info.st_uid == user;
}

// A link is followed, so that the file it names gets the new contents and the link stays a link; a dangling link
// names the file it will create. A loop of links, or a link that may not be followed, fails.
bool resolveTarget(const std::filesystem::path& file, uid_t user, std::filesystem::path& target) {
    target = file;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return true;
        }
        if (!mayFollowLinkIn(folderOf(target), user)) {
            return false;
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
// Only a file with no other name is taken over: through a second name (a hard link) it would be someone else's.
int openTemporary(int folder, const std::string& name, bool mayRemoveStale) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
        int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        int error = fd < 0 ? errno : 0;
        struct stat opened {};
        if (fd >= 0 && (::fstat(fd, &opened) != 0 || opened.st_nlink > 1)) {
            ::close(fd);
            fd = -1;
            error = EMLINK;
        }
        if (fd < 0) {
            // Left by another user (a killed save as root), replaced by a link or given a second name: in a folder
            // of one's own it is removed, once, rather than failing every save from now on.
            if ((error == EACCES || error == EPERM || error == ELOOP || error == EMLINK) && mayRemoveStale &&
                ::unlinkat(folder, name.c_str(), 0) == 0) {
                mayRemoveStale = false;
                continue;
            }
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            struct stat named {};
            if (::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && opened.st_dev == named.st_dev &&
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

bool ReplaceFileContentsAs(uid_t effectiveUser, const std::filesystem::path& file, std::string_view bytes,
                           NewFileReaders readers) {
    try {
        std::filesystem::path target;
        if (!resolveTarget(file, effectiveUser, target)) {
            return false;
        }
        const std::filesystem::path folderPath = folderOf(target);
        const std::string name = target.filename().string();
        // Everything below works on the folder opened once, and on names in it that are never followed.
        const Descriptor folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat folderInfo {};
        if (folder.get() < 0 || ::fstat(folder.get(), &folderInfo) != 0 || (folderInfo.st_mode & S_IWUSR) == 0) {
            return false;
        }
        struct stat existing {};
        const bool exists = ::fstatat(folder.get(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
        if (!exists && errno != ENOENT) {
            return false;
        }
        // A link here appeared after the links were followed: refused, since nobody can tell who made it.
        if (exists && (!S_ISREG(existing.st_mode) || (existing.st_mode & S_IWUSR) == 0)) {
            return false;
        }

        const std::string temporary = "." + name + ".tmp";
        const int fd = openTemporary(folder.get(), temporary, folderInfo.st_uid == effectiveUser);
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
        ok = ok && ::renameat(folder.get(), temporary.c_str(), folder.get(), name.c_str()) == 0;
        if (!ok) {
            ::unlinkat(folder.get(), temporary.c_str(), 0);
        }
        ::close(fd);
        if (!ok) {
            return false;
        }
        // The rename itself must reach the disk too, or a power cut could bring back the old name.
        ::fsync(folder.get());
        return true;
    } catch (...) {
        return false;
    }
}

bool ReplaceFileContents(const std::filesystem::path& file, std::string_view bytes, NewFileReaders readers) {
    return ReplaceFileContentsAs(::geteuid(), file, bytes, readers);
}

}  // namespace plimo
