#include "platform/user_folder.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <string>

namespace plimo {

std::filesystem::path UserSettingsFolder() {
    PWSTR roaming = nullptr;
    std::filesystem::path folder;
    if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &roaming) == S_OK) {
        folder = std::filesystem::path(roaming) / L"Plimo";
    }
    CoTaskMemFree(roaming);
    return folder;
}

bool CanWriteInFolder(const std::filesystem::path& folder) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return false;
    }
    // Program Files grants a standard user no new files: only trying tells, whatever the attributes say.
    const std::filesystem::path probe = folder / (L".plimo-write-test-" + std::to_wstring(GetCurrentProcessId()));
    const HANDLE handle = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_EXISTS;
    }
    CloseHandle(handle);
    return true;
}

}  // namespace plimo
