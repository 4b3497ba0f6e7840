#include "platform/run_key.h"

#include <string>

#include "platform/ansi_codepage.h"
#include "platform/module_path.h"

namespace plimo {
namespace {

constexpr const wchar_t* kRunKey = L"software\\microsoft\\windows\\currentversion\\run";

// The Run key under a root, open for setting and deleting values and closed (written through at once rather than
// left to the system's lazy flush) at the end; not open where it is missing or the user lacks the rights.
class RunKey {
public:
    RunKey(HKEY root, bool create) {
        if (root == nullptr) {
            return;
        }
        const LONG result = create ? RegCreateKeyExW(root, kRunKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE,
                                                     nullptr, &m_key, nullptr)
                                   : RegOpenKeyExW(root, kRunKey, 0, KEY_SET_VALUE | KEY_QUERY_VALUE, &m_key);
        if (result != ERROR_SUCCESS) {
            m_key = nullptr;
        }
    }
    ~RunKey() {
        if (m_key != nullptr) {
            RegFlushKey(m_key);
            RegCloseKey(m_key);
        }
    }
    RunKey(const RunKey&) = delete;
    RunKey& operator=(const RunKey&) = delete;

    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

}  // namespace

void SetAutostartUnder(HKEY machineRoot, HKEY userRoot, std::string_view valueName, bool remove) {
    try {
        const std::u16string wide = AnsiToWide(std::string(valueName));
        const std::wstring name(wide.begin(), wide.end());
        if (remove) {
            // The machine's key too, where an earlier version running as an administrator put the value and this
            // run may take it away.
            for (HKEY root : {userRoot, machineRoot}) {
                const RunKey key(root, false);
                if (key.get() != nullptr) {
                    RegDeleteValueW(key.get(), name.c_str());
                }
            }
            return;
        }
        // Never the machine's key, even for an administrator: a value there starts the program, which its user may
        // replace, in every account on the computer.
        const RunKey key(userRoot, true);
        const std::wstring path = ModulePath().wstring();
        if (key.get() != nullptr && !path.empty()) {
            // Quoted: a path with a blank ("C:\Program Files\...") would otherwise let the system start
            // "C:\Program.exe". Stored in UTF-16, so that a folder name outside the ANSI code page stays as is.
            const std::wstring value = L"\"" + path + L"\"";
            RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        }
    } catch (...) {
        // Every failure is silent.
    }
}

void SetAutostart(std::string_view valueName, bool remove) {
    SetAutostartUnder(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, valueName, remove);
}

}  // namespace plimo
