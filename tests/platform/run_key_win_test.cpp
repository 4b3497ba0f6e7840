// Start at log-on through the machine's Run key. The test works on the real key, so it keeps whatever a
// "Plimo" value held before and puts it back afterwards.
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
        const LONG opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS, &m_key);
        if (opened != ERROR_SUCCESS) {
            m_key = nullptr;
        }
        if (opened == ERROR_ACCESS_DENIED) {
            GTEST_SKIP() << "the machine's Run key takes an administrator";
        }
        ASSERT_EQ(opened, ERROR_SUCCESS) << "the Run key is missing";
        m_saved = wideValue(L"Plimo");
        RegDeleteValueW(m_key, L"Plimo");
    }
    void TearDown() override {
        if (m_key == nullptr) {
            return;
        }
        RegDeleteValueW(m_key, L"Plimo");
        RegDeleteValueW(m_key, L"PlimoNeighbour");
        if (m_saved) {
            RegSetValueExW(m_key, L"Plimo", 0, REG_SZ, reinterpret_cast<const BYTE*>(m_saved->c_str()),
                           static_cast<DWORD>((m_saved->size() + 1) * sizeof(wchar_t)));
        }
        RegCloseKey(m_key);
    }

    std::optional<AnsiValue> ansiValue(const char* name) const {
        AnsiValue value;
        std::string buffer(32768, '\0');
        DWORD size = static_cast<DWORD>(buffer.size());
        if (RegQueryValueExA(m_key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
            ERROR_SUCCESS) {
            return std::nullopt;
        }
        value.data = buffer.substr(0, size);
        return value;
    }
    std::optional<std::wstring> wideValue(const wchar_t* name) const {
        std::wstring buffer(32768, L'\0');
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        DWORD type = REG_NONE;
        if (RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
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

    HKEY m_key = nullptr;
    std::optional<std::wstring> m_saved;
};

TEST_F(RunKey, PlimoRegistersTheFullPathAndPlimoInAnyCaseRemovesIt) {
    const std::wstring path = ModulePath().wstring();
    ASSERT_FALSE(path.empty());
    const std::string ansiPath = WideToAnsi(std::u16string(path.begin(), path.end()));
    const std::wstring neighbour = L"C:\\other.exe";
    ASSERT_EQ(RegSetValueExW(m_key, L"PlimoNeighbour", 0, REG_SZ, reinterpret_cast<const BYTE*>(neighbour.c_str()),
                             static_cast<DWORD>((neighbour.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);

    SetAutostart("Plimo", false);
    const std::optional<AnsiValue> written = ansiValue("Plimo");
    ASSERT_TRUE(written);
    EXPECT_EQ(written->type, static_cast<DWORD>(REG_SZ));
    // The value is stored in UTF-16; a reader through the ANSI call gets the path, its length + 1 bytes.
    EXPECT_EQ(written->data, ansiPath + '\0');
    EXPECT_EQ(written->data.size(), ansiPath.size() + 1);
    EXPECT_EQ(wideValue(L"Plimo"), path);
    EXPECT_TRUE(std::filesystem::path(path).is_absolute());

    // Registering again changes nothing; removing under another letter case takes the one value away.
    SetAutostart("Plimo", false);
    EXPECT_EQ(wideValue(L"PLIMO"), path);
    SetAutostart("plimo", true);
    EXPECT_FALSE(ansiValue("Plimo"));
    SetAutostart("plimo", true);
    EXPECT_FALSE(ansiValue("Plimo"));
    EXPECT_EQ(wideValue(L"PlimoNeighbour"), neighbour);

    // Tick, untick, tick: registered at the end.
    SetAutostart("Plimo", false);
    SetAutostart("plimo", true);
    SetAutostart("Plimo", false);
    EXPECT_EQ(wideValue(L"Plimo"), path);
}

}  // namespace
}  // namespace plimo
