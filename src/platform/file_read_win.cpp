#include "platform/file_read.h"

#include <windows.h>

namespace plimo {
namespace {

FileReadResult failed(DWORD error) {
    FileReadResult result;
    result.systemError = error;
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            result.failure = FileReadFailure::Missing;
            break;
        case ERROR_ACCESS_DENIED:
            result.failure = FileReadFailure::NoAccess;
            break;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            result.failure = FileReadFailure::InUse;
            break;
        default:
            // The cloud files' errors (ERROR_CLOUD_FILE_*, 358 to 400) and a file marked offline (4350).
            result.failure =
                (error >= 358 && error <= 400) || error == 4350 ? FileReadFailure::Offline : FileReadFailure::Other;
            break;
    }
    return result;
}

}  // namespace

FileReadResult ReadWholeFile(const std::filesystem::path& file) {
    // Shared for everything, so that an editor or a sync client that holds the file open does not stop the read.
    const HANDLE handle =
        CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A folder in the file's place.
        const DWORD attributes = GetFileAttributesW(file.c_str());
        if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            FileReadResult result;
            result.failure = FileReadFailure::NotAFile;
            return result;
        }
        return failed(error);
    }
    FileReadResult result;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        result.failure = FileReadFailure::NotAFile;
    } else {
        char chunk[1 << 16];
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(handle, chunk, sizeof chunk, &got, nullptr)) {
                result = failed(GetLastError());
                break;
            }
            if (got == 0) {
                break;
            }
            result.bytes.append(chunk, got);
        }
    }
    CloseHandle(handle);
    return result;
}

}  // namespace plimo
