#include "platform/run_key.h"

#include <string>

#include "platform/module_path.h"

namespace plimo {
namespace {

constexpr const char* kRunKey = "software\\microsoft\\windows\\currentversion\\run";

std::wstring ansiToWide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    }
    return wide;
}

// The Run key under the root, opened for full access; null where it is missing or the user lacks the rights.
HKEY openRunKey(HKEY root) {
    HKEY key = nullptr;
    if (root == nullptr || RegOpenKeyExA(root, kRunKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

void closeKey(HKEY key) {
    if (key != nullptr) {
        // Written through at once rather than left to the system's lazy flush.
        RegFlushKey(key);
        RegCloseKey(key);
    }
}

}  // namespace

void SetAutostartUnder(HKEY machineRoot, HKEY userRoot, std::string_view valueName, bool remove) {
    HKEY machine = nullptr;
    HKEY user = nullptr;
    try {
        const std::string name(valueName);
        machine = openRunKey(machineRoot);
        if (remove) {
            // Wherever an earlier run put it: the machine's key as an administrator, the user's key otherwise.
            user = openRunKey(userRoot);
            for (HKEY key : {machine, user}) {
                if (key != nullptr) {
                    RegDeleteValueA(key, name.c_str());
                }
            }
        } else {
            // Without administrator rights the machine's key cannot be written: the user's own key starts the
            // program for that user, which is what ticking the box asks for.
            user = openRunKey(userRoot);
            HKEY key = machine != nullptr ? machine : user;
            const std::wstring path = ModulePath().wstring();
            if (key != nullptr && !path.empty()) {
                // Quoted: a path with a blank ("C:\Program Files\...") would otherwise let the system start
                // "C:\Program.exe". Stored in UTF-16, so that a folder name outside the ANSI code page stays as is.
                const std::wstring value = L"\"" + path + L"\"";
                if (RegSetValueExW(key, ansiToWide(name).c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS &&
                    key == machine && user != nullptr) {
                    // Registered once: an entry an earlier run without the rights left for this user goes.
                    RegDeleteValueA(user, name.c_str());
                }
            }
        }
    } catch (...) {
        // Every failure is silent.
    }
    closeKey(machine);
    closeKey(user);
}

void SetAutostart(std::string_view valueName, bool remove) {
    SetAutostartUnder(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, valueName, remove);
}

}  // namespace plimo
