#include "platform/run_key.h"

#include <string>

#include <windows.h>

#include "platform/module_path.h"

namespace plimo {
namespace {

std::wstring ansiToWide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    }
    return wide;
}

}  // namespace

void SetAutostart(std::string_view valueName, bool remove) {
    HKEY key = nullptr;
    try {
        const std::string name(valueName);
        // Not created when missing; a user without the rights for full access simply changes nothing.
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\microsoft\\windows\\currentversion\\run", 0, KEY_ALL_ACCESS,
                          &key) != ERROR_SUCCESS) {
            key = nullptr;
        }
        if (key != nullptr) {
            if (remove) {
                RegDeleteValueA(key, name.c_str());
            } else {
                // The data in UTF-16, so that a folder name outside the ANSI code page is stored as it is.
                const std::wstring path = ModulePath().wstring();
                if (!path.empty()) {
                    RegSetValueExW(key, ansiToWide(name).c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(path.c_str()),
                                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
                }
            }
            // Written through at once rather than left to the system's lazy flush.
            RegFlushKey(key);
        }
    } catch (...) {
        // Every failure is silent.
    }
    if (key != nullptr) {
        RegCloseKey(key);
    }
}

}  // namespace plimo
