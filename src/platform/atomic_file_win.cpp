#include "platform/atomic_file_win.h"

#include <atomic>
#include <optional>
#include <string>

#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>

namespace plimo {
namespace {

// How long a replacement that a scanner or indexer holds up is tried again, and the pause between tries.
constexpr ULONGLONG kRetryMilliseconds = 2000;
constexpr DWORD kRetryPauseMilliseconds = 10;

class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }
    bool close() {
        const bool ok = !valid() || CloseHandle(m_handle) != 0;
        m_handle = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE m_handle;
};

// True when the call may go ahead; otherwise the fault's error is the thread's last error.
bool allowed(const ReplaceCallFault& fault, ReplaceCall call) {
    const DWORD error = fault ? fault(call) : 0;
    if (error != 0) {
        SetLastError(error);
        return false;
    }
    return true;
}

bool writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

// The running user's SID as text, or "" when the token cannot tell.
std::wstring currentUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    std::wstring result;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::string buffer(size, '\0');
    wchar_t* text = nullptr;
    if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
        result = text;
        LocalFree(text);
    }
    CloseHandle(token);
    return result;
}

// Access for the running user and the system alone, inherited from nowhere: the settings hold a password, and a
// folder such as C:\plimo lets every local user read what it holds. The user is named rather than the file's
// owner: an elevated run makes the Administrators group the owner, and the same user's later unelevated runs could
// then neither read nor save the file.
class UserOnlyAccess {
public:
    UserOnlyAccess() {
        const std::wstring user = currentUserSid();
        const std::wstring sddl = L"D:P(A;;FA;;;" + user + L")(A;;FA;;;SY)";
        if (user.empty() || !ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                                  &m_descriptor, nullptr)) {
            m_descriptor = nullptr;
        }
    }
    ~UserOnlyAccess() {
        if (m_descriptor != nullptr) {
            LocalFree(m_descriptor);
        }
    }
    UserOnlyAccess(const UserOnlyAccess&) = delete;
    UserOnlyAccess& operator=(const UserOnlyAccess&) = delete;

    bool valid() const { return m_descriptor != nullptr; }
    SECURITY_ATTRIBUTES* attributes() {
        m_attributes = {sizeof(SECURITY_ATTRIBUTES), m_descriptor, FALSE};
        return &m_attributes;
    }

    // Gives an existing file this access in place of its own; a link there is changed itself, never its target.
    bool applyTo(const std::wstring& path, const ReplaceCallFault& fault) const {
        BOOL present = FALSE;
        BOOL defaulted = FALSE;
        PACL acl = nullptr;
        if (!valid() || !GetSecurityDescriptorDacl(m_descriptor, &present, &acl, &defaulted) || !present) {
            return false;
        }
        const Handle file(CreateFileW(path.c_str(), READ_CONTROL | WRITE_DAC,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        return file.valid() && allowed(fault, ReplaceCall::SetAccess) &&
               SetSecurityInfo(file.get(), SE_FILE_OBJECT,
                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, acl,
                               nullptr) == ERROR_SUCCESS;
    }

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
    SECURITY_ATTRIBUTES m_attributes{};
};

bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The temporary files are named "<prefix><process id>.<number>.tmp": the id of the process whose save made it, or
// nothing for another name.
std::optional<DWORD> writerOf(std::wstring_view name, std::wstring_view prefix) {
    constexpr std::wstring_view kSuffix = L".tmp";
    if (name.size() <= prefix.size() + kSuffix.size() || !name.starts_with(prefix) || !name.ends_with(kSuffix)) {
        return std::nullopt;
    }
    name = name.substr(prefix.size(), name.size() - prefix.size() - kSuffix.size());
    const std::size_t dot = name.find(L'.');
    const auto digits = [](std::wstring_view text) {
        return !text.empty() && text.size() <= 10 && text.find_first_not_of(L"0123456789") == text.npos;
    };
    if (dot == name.npos || !digits(name.substr(0, dot)) || !digits(name.substr(dot + 1))) {
        return std::nullopt;
    }
    const unsigned long long id = std::stoull(std::wstring(name.substr(0, dot)));
    return id <= 0xFFFFFFFFull ? std::optional<DWORD>(static_cast<DWORD>(id)) : std::nullopt;
}

// Whether a process of that id runs; one that cannot be asked (another user's) is taken to run.
bool processRuns(DWORD id) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (process == nullptr) {
        return GetLastError() != ERROR_INVALID_PARAMETER;
    }
    DWORD code = 0;
    const bool runs = !GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
    CloseHandle(process);
    return runs;
}

// Removes the temporary files that saves killed halfway left beside the file: those of processes that have ended.
void removeStaleTemporaries(const std::filesystem::path& folder, const std::wstring& prefix) {
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = (folder / (prefix + L"*.tmp")).wstring();
    const HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::optional<DWORD> writer = writerOf(found.cFileName, prefix);
        if (writer && *writer != GetCurrentProcessId() && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            !processRuns(*writer)) {
            DeleteFileW((folder / found.cFileName).c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

bool heldForAMoment(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Puts the temporary file in the file's place. ReplaceFileW keeps what the old file had besides its contents
// (attributes, streams, access); where it may not, the new file keeps its own. A scanner or indexer holding either
// file makes it fail for a moment, so sharing and access errors are tried again. Once it reports that the old file
// is already gone or renamed (1176, 1177), there is nothing left to replace and the new one is moved in; the same
// when another program took the old file away since.
bool putInPlace(const std::wstring& target, const std::wstring& temporary, bool replace,
                const ReplaceCallFault& fault) {
    const ULONGLONG giveUp = GetTickCount64() + kRetryMilliseconds;
    for (;;) {
        const bool ok = replace ? allowed(fault, ReplaceCall::Replace) &&
                                      ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                                   REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                                : allowed(fault, ReplaceCall::Move) &&
                                      MoveFileExW(temporary.c_str(), target.c_str(),
                                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (ok) {
            return true;
        }
        const DWORD error = GetLastError();
        if (replace && (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 ||
                        (error == ERROR_FILE_NOT_FOUND && !exists(target)))) {
            replace = false;
            continue;
        }
        if (!heldForAMoment(error) || GetTickCount64() >= giveUp) {
            SetLastError(error);
            return false;
        }
        Sleep(kRetryPauseMilliseconds);
    }
}

}  // namespace

bool ReplaceFileContentsWithFaults(const std::filesystem::path& file, std::string_view bytes, NewFileReaders readers,
                                   const ReplaceCallFault& fault) {
    try {
        const std::wstring target = file.wstring();
        const DWORD attributes = GetFileAttributesW(target.c_str());
        const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
        if (!existed && GetLastError() != ERROR_FILE_NOT_FOUND) {
            return false;
        }
        if (existed && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
            return false;
        }
        std::filesystem::path folder = file.parent_path();
        if (folder.empty()) {
            folder = ".";
        }
        const std::wstring prefix = L"." + file.filename().wstring() + L".";
        // While the file is missing, a temporary file may be the only copy of its contents (see below).
        if (existed) {
            removeStaleTemporaries(folder, prefix);
        }

        const bool userOnly = readers == NewFileReaders::OwnerOnly;
        UserOnlyAccess access;
        if (userOnly && !access.valid()) {
            return false;
        }
        static std::atomic<unsigned> counter = 0;
        std::wstring temporary;
        HANDLE handle = INVALID_HANDLE_VALUE;
        for (unsigned attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
            temporary = (folder / (prefix + std::to_wstring(GetCurrentProcessId()) + L"." +
                                   std::to_wstring(counter.fetch_add(1)) + L".tmp"))
                            .wstring();
            if (allowed(fault, ReplaceCall::CreateTemporary)) {
                handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, userOnly ? access.attributes() : nullptr,
                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            }
            if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
                return false;
            }
        }
        Handle out(handle);
        if (!out.valid()) {
            return false;
        }
        bool written =
            allowed(fault, ReplaceCall::WriteTemporary) && writeAll(out.get(), bytes) && FlushFileBuffers(out.get());
        written = out.close() && written;

        bool placed = false;
        if (written) {
            // The old file is given the user's access first, so that the replacement takes it over; where that
            // is not allowed, the new file is moved in with its own.
            const bool replace = existed && (!userOnly || access.applyTo(target, fault));
            placed = putInPlace(target, temporary, replace, fault);
        }
        // While the file is missing (a failed replacement may have taken the old one away), a temporary file that
        // holds the whole new contents is their only copy: it stays, for the user to find.
        if (!placed && (!written || exists(target))) {
            DeleteFileW(temporary.c_str());
        }
        return placed;
    } catch (...) {
        return false;
    }
}

bool ReplaceFileContents(const std::filesystem::path& file, std::string_view bytes, NewFileReaders readers) {
    return ReplaceFileContentsWithFaults(file, bytes, readers, {});
}

}  // namespace plimo
