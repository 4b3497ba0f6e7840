// What Windows reads from plimo.exe before it runs a line of it: a GUI program (no console window), the icon in
// every size the icon export draws, the version, the manifest, and no DLL that Windows itself does not have.
#include "update/program_version.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

const fs::path kProgram(PLIMO_EXE);

// The resource types by number: windows.h spells them as narrow or wide strings by the UNICODE setting.
constexpr WORD kIcon = 3;
constexpr WORD kGroupIcon = 14;
constexpr WORD kManifest = 24;

class ExecutableResources : public ::testing::Test {
protected:
    void SetUp() override {
        m_module = LoadLibraryExW(kProgram.wstring().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(m_module, nullptr) << "cannot open " << kProgram << " as data";
    }
    void TearDown() override {
        if (m_module) {
            FreeLibrary(m_module);
        }
    }

    // A resource by its numeric type (RT_MANIFEST and the like, as numbers) and numeric name.
    std::string resource(WORD type, WORD name) const {
        HRSRC found = FindResourceW(m_module, MAKEINTRESOURCEW(name), MAKEINTRESOURCEW(type));
        if (!found) {
            return {};
        }
        HGLOBAL loaded = LoadResource(m_module, found);
        const auto* data = static_cast<const char*>(LockResource(loaded));
        return data ? std::string(data, SizeofResource(m_module, found)) : std::string();
    }

    HMODULE m_module = nullptr;
};

TEST_F(ExecutableResources, TheManifestAsksForTheUsersRightsPerMonitorScalingCommonControls6AndLongPaths) {
    const std::string manifest = resource(kManifest, 1);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find("true/pm"), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find(">true</longPathAware>"), std::string::npos);
}

TEST_F(ExecutableResources, TheIconHasEverySizeTheIconExportDraws) {
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    const std::string group = resource(kGroupIcon, 1);
    ASSERT_GE(group.size(), 6u);
    const WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
    ASSERT_EQ(group.size(), 6u + count * sizeof(GroupEntry));
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const auto* entry = reinterpret_cast<const GroupEntry*>(group.data() + 6 + i * sizeof(GroupEntry));
        EXPECT_EQ(entry->width, entry->height);
        EXPECT_EQ(entry->bitCount, 32);
        sizes.push_back(entry->width == 0 ? 256 : entry->width);
        EXPECT_EQ(resource(kIcon, entry->id).size(), entry->bytes) << "icon " << sizes.back();
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 20, 22, 24, 32, 40, 48, 64, 128, 256}));
}

TEST(ExecutableVersion, ProductAndFileVersionAreTheProjects) {
    const std::wstring path = kProgram.wstring();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    const DWORD majorMinor = (plimo::kProgramVersionMajor << 16) | plimo::kProgramVersionMinor;
    EXPECT_EQ(fixed->dwProductVersionMS, majorMinor);
    EXPECT_EQ(fixed->dwProductVersionLS, plimo::kProgramVersionPatch << 16);
    EXPECT_EQ(fixed->dwFileVersionMS, majorMinor);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    auto text = [&info](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT chars = 0;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\041904B0\\") + name;
        if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &chars) || !value) {
            return std::wstring();
        }
        return std::wstring(value);
    };
    EXPECT_EQ(text(L"ProductName"), L"Plimo");
    const std::wstring version(plimo::kProgramVersion.begin(), plimo::kProgramVersion.end());
    EXPECT_EQ(text(L"ProductVersion"), version);
    EXPECT_EQ(text(L"FileVersion"), version);
    // Windows shows these in Russian in the file's properties and in the Task Manager.
    EXPECT_EQ(text(L"FileDescription"), L"Plimo — статистика сайта LiveInternet на рабочем столе");
    EXPECT_EQ(text(L"LegalCopyright"), L"© 2026 Разработчики Plimo. Лицензия MIT");
}

// The image as Windows maps it, without running or binding anything, for the headers and the import table.
TEST(ExecutableImage, AGuiProgramThatNeedsNoDllBesideIt) {
    HMODULE image = LoadLibraryExW(kProgram.wstring().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image, nullptr);
    const auto* base = reinterpret_cast<const BYTE*>(image);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(imports.VirtualAddress, 0u);
    int dlls = 0;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name;
         ++entry) {
        const std::string name(reinterpret_cast<const char*>(base + entry->Name));
        // From the system folder alone; API sets (api-ms-win-*) have no file there, the loader maps them.
        HMODULE dll =
            LoadLibraryExW(std::wstring(name.begin(), name.end()).c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        EXPECT_NE(dll, nullptr) << name << " is not one of the system's DLLs";
        if (dll != nullptr) {
            FreeLibrary(dll);
        }
        ++dlls;
    }
    EXPECT_GT(dlls, 0);
    FreeLibrary(image);
}

}  // namespace
