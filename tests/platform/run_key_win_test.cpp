// Start at log-on through the Run keys. The machine's and the user's roots are keys of the test's own under
// HKEY_CURRENT_USER, removed at the end: no test touches the real Run keys.
#include "platform/run_key.h"

#include <windows.h>

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/ansi_codepage.h"
#include "platform/module_path.h"

namespace plimo {
namespace {

constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct AnsiValue {
    DWORD type = REG_NONE;
    std::string data;  // as RegQueryValueExA copies it, the terminating NUL included
};

class RunKey : public ::testing::Test {
protected:
    void SetUp() override {
        m_base = L"Software\\PlimoTest-" + std::to_wstring(GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (m_base + L"\\machine").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &m_machineRoot, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (m_base + L"\\user").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &m_userRoot, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegCreateKeyExW(m_userRoot, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_userRun, nullptr),
                  ERROR_SUCCESS);
        m_path = ModulePath().wstring();
        ASSERT_FALSE(m_path.empty());
    }
    void TearDown() override {
        for (HKEY key : {m_machineRun, m_userRun, m_machineRoot, m_userRoot}) {
            if (key != nullptr) {
                RegCloseKey(key);
            }
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, m_base.c_str());
    }

    // The machine's key as an administrator sees it: present and writable.
    void giveMachineKey() {
        ASSERT_EQ(
            RegCreateKeyExW(m_machineRoot, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_machineRun, nullptr),
            ERROR_SUCCESS);
    }
    void set(std::string_view name, bool remove) { SetAutostartUnder(m_machineRoot, m_userRoot, name, remove); }

    static std::optional<AnsiValue> ansiValue(HKEY key, const char* name) {
        AnsiValue value;
        std::string buffer(32768, '\0');
        DWORD size = static_cast<DWORD>(buffer.size());
        if (key == nullptr || RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(buffer.data()),
                                               &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        value.data = buffer.substr(0, size);
        return value;
    }
    static std::optional<std::wstring> wideValue(HKEY key, const wchar_t* name) {
        std::wstring buffer(32768, L'\0');
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        DWORD type = REG_NONE;
        if (key == nullptr ||
            RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ) {
            return std::nullopt;
        }
        buffer.resize(size / sizeof(wchar_t));
        while (!buffer.empty() && buffer.back() == L'\0') {
            buffer.pop_back();
        }
        return buffer;
    }
    static void setWide(HKEY key, const wchar_t* name, const std::wstring& data) {
        ASSERT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                 static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    std::wstring quotedPath() const { return L"\"" + m_path + L"\""; }

    std::wstring m_base;
    std::wstring m_path;
    HKEY m_machineRoot = nullptr;
    HKEY m_userRoot = nullptr;
    HKEY m_machineRun = nullptr;
    HKEY m_userRun = nullptr;
};

// An administrator's run could open the machine's key for writing; the value still goes to the user's key, since
// under the machine's it would start, in every account, a program this user may replace.
TEST_F(RunKey, RegistersTheQuotedPathForTheUserAloneEvenWhereTheMachinesKeyIsWritable) {
    giveMachineKey();
    const std::wstring neighbour = L"C:\\other.exe";
    setWide(m_userRun, L"PlimoNeighbour", neighbour);

    set("Plimo", false);
    const std::optional<AnsiValue> written = ansiValue(m_userRun, "Plimo");
    ASSERT_TRUE(written);
    EXPECT_EQ(written->type, static_cast<DWORD>(REG_SZ));
    // Quoted, so that a blank in the path cannot start another program; stored in UTF-16, which a reader
    // through the ANSI call gets in the ANSI code page.
    const std::string ansiPath = WideToAnsi(std::u16string(m_path.begin(), m_path.end()));
    EXPECT_EQ(written->data, "\"" + ansiPath + "\"" + '\0');
    EXPECT_EQ(wideValue(m_userRun, L"Plimo"), quotedPath());
    EXPECT_TRUE(std::filesystem::path(m_path).is_absolute());
    EXPECT_FALSE(wideValue(m_machineRun, L"Plimo"));

    // Registering again changes nothing; removing under another letter case takes the one value away.
    set("Plimo", false);
    EXPECT_EQ(wideValue(m_userRun, L"PLIMO"), quotedPath());
    set("plimo", true);
    EXPECT_FALSE(ansiValue(m_userRun, "Plimo"));
    set("plimo", true);
    EXPECT_EQ(wideValue(m_userRun, L"PlimoNeighbour"), neighbour);

    // Tick, untick, tick: registered at the end.
    set("Plimo", false);
    set("plimo", true);
    set("Plimo", false);
    EXPECT_EQ(wideValue(m_userRun, L"Plimo"), quotedPath());
    EXPECT_FALSE(wideValue(m_machineRun, L"Plimo"));
}

// A fresh profile may lack the user's Run key: ticking the box creates it.
TEST_F(RunKey, TheUsersRunKeyIsMadeWhenMissing) {
    RegCloseKey(m_userRun);
    m_userRun = nullptr;
    ASSERT_EQ(RegDeleteTreeW(m_userRoot, L"Software"), ERROR_SUCCESS);
    set("Plimo", false);
    ASSERT_EQ(RegOpenKeyExW(m_userRoot, kRunKey, 0, KEY_READ, &m_userRun), ERROR_SUCCESS);
    EXPECT_EQ(wideValue(m_userRun, L"Plimo"), quotedPath());
    // The machine's key is neither made nor written.
    HKEY machineRun = nullptr;
    EXPECT_NE(RegOpenKeyExW(m_machineRoot, kRunKey, 0, KEY_READ, &machineRun), ERROR_SUCCESS);
}

// A value an earlier version left under the machine's key (run as an administrator) is not touched by ticking,
// and goes with unticking wherever the rights allow; where the key cannot be opened, the user's value still goes.
TEST_F(RunKey, RemovalClearsTheUsersKeyAndTheMachinesWhereItCan) {
    for (const bool machineWritable : {false, true}) {
        SCOPED_TRACE(machineWritable ? "the machine's key may be written" : "the machine's key cannot be opened");
        if (machineWritable) {
            giveMachineKey();
            setWide(m_machineRun, L"Plimo", L"C:\\old\\plimo.exe");
        }
        set("Plimo", false);
        if (machineWritable) {
            EXPECT_EQ(wideValue(m_machineRun, L"Plimo"), L"C:\\old\\plimo.exe");
        }
        setWide(m_userRun, L"PLIMO", L"C:\\Users\\me\\plimo.exe");
        set("plimo", true);
        EXPECT_FALSE(wideValue(m_userRun, L"Plimo"));
        EXPECT_FALSE(wideValue(m_machineRun, L"Plimo"));
    }
}

}  // namespace
}  // namespace plimo
