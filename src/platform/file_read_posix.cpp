#include "platform/file_read.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plimo {
namespace {

FileReadResult failed(FileReadFailure failure, int error) {
    FileReadResult result;
    result.failure = failure;
    result.systemError = static_cast<std::uint32_t>(error);
    return result;
}

FileReadFailure failureOf(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return FileReadFailure::Missing;
        case EACCES:
        case EPERM:
            return FileReadFailure::NoAccess;
        case EISDIR:
            return FileReadFailure::NotAFile;
        default:
            return FileReadFailure::Other;
    }
}

// Root in a folder another user owns follows no link there: that user could point it at any file, whose text a
// later save would then write into the user's own file.
bool mayFollowLink(const std::filesystem::path& file) {
    if (::geteuid() != 0) {
        return true;
    }
    struct stat folder {};
    const std::filesystem::path parent = file.has_parent_path() ? file.parent_path() : ".";
    return ::stat(parent.c_str(), &folder) == 0 && folder.st_uid == 0;
}

}  // namespace

FileReadResult ReadWholeFile(const std::filesystem::path& file) {
    // Non-blocking, so that a FIFO in the file's place cannot hold the program at its start.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (mayFollowLink(file) ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        return failed(errno == ELOOP ? FileReadFailure::NotAFile : failureOf(errno), errno);
    }
    FileReadResult result;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result = failed(FileReadFailure::Other, errno);
    } else if (!S_ISREG(info.st_mode)) {
        result = failed(FileReadFailure::NotAFile, 0);
    } else {
        char chunk[1 << 16];
        for (;;) {
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got > 0) {
                result.bytes.append(chunk, static_cast<std::size_t>(got));
            } else if (got == 0) {
                break;
            } else if (errno != EINTR) {
                result = failed(failureOf(errno), errno);
                break;
            }
        }
    }
    ::close(fd);
    return result;
}

}  // namespace plimo
