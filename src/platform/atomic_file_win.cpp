#include "platform/atomic_file.h"

#include <string>

#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>

namespace plimo {
namespace {

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

// A new file that only its user (and the system) may open: it holds a password. The user is named rather than
// the file's owner: an elevated run makes the Administrators group the owner, and the same user's later
// unelevated runs could then neither read nor save the file.
HANDLE createOwnerOnly(const std::wstring& path) {
    const std::wstring user = currentUserSid();
    if (user.empty()) {
        return INVALID_HANDLE_VALUE;
    }
    const std::wstring sddl = L"D:P(A;;FA;;;" + user + L")(A;;FA;;;SY)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        return INVALID_HANDLE_VALUE;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
    HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();  // the caller tells "name taken" from other failures by it
    LocalFree(descriptor);
    SetLastError(error);
    return handle;
}

// What a move into place reports when another save has just created the file or is moving its own in.
bool racingCreator(DWORD error) {
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS || error == ERROR_ACCESS_DENIED ||
           error == ERROR_SHARING_VIOLATION;
}

}  // namespace

bool ReplaceFileContents(const std::filesystem::path& file, std::string_view bytes, NewFileReaders readers) {
    try {
        const std::wstring target = file.wstring();
        const DWORD attributes = GetFileAttributesW(target.c_str());
        const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
        if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND) {
            return false;
        }
        if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
            return false;
        }
        std::filesystem::path folder = file.parent_path();
        if (folder.empty()) {
            folder = ".";
        }

        std::wstring temporary;
        HANDLE handle = INVALID_HANDLE_VALUE;
        for (unsigned attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
            temporary = (folder / (L"." + file.filename().wstring() + L"." + std::to_wstring(GetCurrentProcessId()) +
                                   L"." + std::to_wstring(GetTickCount() + attempt) + L".tmp"))
                            .wstring();
            handle = (!exists && readers == NewFileReaders::OwnerOnly)
                         ? createOwnerOnly(temporary)
                         : CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                       nullptr);
            if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
                return false;
            }
        }
        Handle out(handle);
        if (!out.valid()) {
            return false;
        }
        bool ok = writeAll(out.get(), bytes) && FlushFileBuffers(out.get());
        ok = out.close() && ok;
        if (ok) {
            // ReplaceFileW keeps the old file's permissions and attributes; a new file is simply moved in.
            ok = exists ? ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, 0, nullptr, nullptr) != 0
                        : MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
            // Another save created the file meanwhile: the later one takes its place, as a rename does elsewhere.
            // Ours was made for a new file, so it carries the same owner-only permissions. While the other save's
            // move is under way the name can refuse access for a moment; a few short retries outlast that.
            for (int attempt = 0; !ok && !exists && attempt < 50 && racingCreator(GetLastError()); ++attempt) {
                if (attempt > 0) {
                    Sleep(2);
                }
                ok = MoveFileExW(temporary.c_str(), target.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
            }
        }
        if (!ok) {
            DeleteFileW(temporary.c_str());
        }
        return ok;
    } catch (...) {
        return false;
    }
}

}  // namespace plimo
