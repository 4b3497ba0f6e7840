#include "platform/atomic_file_win.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "temp_dir.h"
#include "under_wine.h"

namespace plimo {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// Two saves that both find no file and both create one (two copies of the program started at once, say): the
// second move into place once failed because the first had just made the name exist.
TEST(ReplaceFileContents, TwoSavesRacingToCreateTheFileBothSucceed) {
    TempDir dir;
    const std::string first(4096, '1');
    const std::string second(4096, '2');
    for (int round = 0; round < 40; ++round) {
        const fs::path file = dir.file("config" + std::to_string(round) + ".ini");
        // Both threads spin until both are there, so that their saves start as close together as can be.
        std::atomic<int> ready = 0;
        bool firstSaved = false;
        bool secondSaved = false;
        auto save = [&](const std::string& bytes, bool& saved) {
            ready.fetch_add(1);
            while (ready.load() < 2) {
                std::this_thread::yield();
            }
            saved = ReplaceFileContents(file, bytes, NewFileReaders::OwnerOnly);
        };
        std::thread a(save, std::cref(first), std::ref(firstSaved));
        std::thread b(save, std::cref(second), std::ref(secondSaved));
        a.join();
        b.join();
        EXPECT_TRUE(firstSaved) << "round " << round;
        EXPECT_TRUE(secondSaved) << "round " << round;
        const std::string content = ReadFileBytes(file);
        EXPECT_TRUE(content == first || content == second) << "round " << round;
        // Neither save leaves its temporary file behind.
        std::size_t files = 0;
        for ([[maybe_unused]] const fs::directory_entry& entry : fs::directory_iterator(dir.path())) {
            ++files;
        }
        EXPECT_EQ(files, static_cast<std::size_t>(round + 1)) << "round " << round;
    }
}

const std::string kOld = "[OPTIONS]\r\npass=old\r\n";
const std::string kNew = "[OPTIONS]\r\npass=new\r\n";
constexpr int kAlways = -1;

// The settings folder, named in Cyrillic so that every path must go through UTF-16 whatever the code page.
class SettingsFolder : public ::testing::Test {
protected:
    SettingsFolder() : m_folder(m_dir.path() / fs::path(u8"настройки")) { fs::create_directory(m_folder); }

    fs::path config() const { return m_folder / "config.ini"; }
    // The temporary files beside config.ini, by their names.
    std::vector<fs::path> temporaries() const {
        std::vector<fs::path> found;
        for (const fs::directory_entry& entry : fs::directory_iterator(m_folder)) {
            const std::wstring name = entry.path().filename().wstring();
            if (name.starts_with(L".config.ini.") && name.ends_with(L".tmp")) {
                found.push_back(entry.path());
            }
        }
        return found;
    }

    TempDir m_dir;
    fs::path m_folder;
};

// What Windows does to one call: fails it with the error, so many times (or always), the first time after the
// effect has changed the folder as the system would have.
struct Fault {
    ReplaceCall call;
    unsigned long error;
    int times;
    std::function<void(const fs::path& config)> effect = {};
};

struct FaultCase {
    const char* what;
    bool existed;
    std::vector<Fault> faults;
    bool saved;
    std::string configAfter;  // "" for no config.ini
    std::size_t temporariesLeft;
    std::map<ReplaceCall, int> calls;  // how often these were made (tried again, or not)
};

void RemoveFile(const fs::path& config) {
    fs::remove(config);
}
// ReplaceFileW's 1177 leaves the old file under another name in the folder.
void RenameFile(const fs::path& config) {
    fs::rename(config, config.parent_path() / "old-config.ini");
}

TEST_F(SettingsFolder, AReplacementThatFailsNeverLosesTheFile) {
    constexpr unsigned long kHeld = ERROR_SHARING_VIOLATION;
    constexpr unsigned long k1176 = ERROR_UNABLE_TO_MOVE_REPLACEMENT;
    using enum ReplaceCall;
    std::vector<FaultCase> cases;
    // With config.ini there: the save goes through in the end, or fails and leaves the old file as it was.
    const auto saved = [&](const char* what, std::vector<Fault> faults, std::map<ReplaceCall, int> calls) {
        cases.push_back({what, true, std::move(faults), true, kNew, 0, std::move(calls)});
    };
    const auto oldKept = [&](const char* what, std::vector<Fault> faults, std::map<ReplaceCall, int> calls) {
        cases.push_back({what, true, std::move(faults), false, kOld, 0, std::move(calls)});
    };
    // Held for a moment: the replacement is tried again until it goes through.
    for (const auto& [what, error] : {std::pair<const char*, unsigned long>{"a scanner holds the file", kHeld},
                                      {"access is refused for a moment", ERROR_ACCESS_DENIED},
                                      {"a range of the file is locked", ERROR_LOCK_VIOLATION},
                                      {"the old file cannot be removed yet", ERROR_UNABLE_TO_REMOVE_REPLACED}}) {
        saved(what, {{Replace, error, 3}}, {{Replace, 4}});
    }
    // The old file is out of the way (1177: renamed, still in the folder): the new one is moved in.
    saved("1176: the old file is gone", {{Replace, k1176, 1, RemoveFile}}, {{Replace, 1}, {Move, 1}});
    saved("1177: the old file is renamed", {{Replace, ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 1, RenameFile}},
          {{Replace, 1}, {Move, 1}});
    saved("another program took the old file away", {{Replace, ERROR_FILE_NOT_FOUND, 1, RemoveFile}},
          {{Replace, 1}, {Move, 1}});
    saved("1176, then the move is held up", {{Replace, k1176, 1, RemoveFile}, {Move, kHeld, 3}},
          {{Replace, 1}, {Move, 4}});
    // Then the new file, which has the user's access, is moved in instead of taking over the old one's.
    saved("the old file's access cannot be changed", {{SetAccess, ERROR_ACCESS_DENIED, 1}}, {{Replace, 0}, {Move, 1}});
    oldKept("the file is held for good", {{Replace, kHeld, kAlways}}, {{Move, 0}});
    oldKept("the disk is full at the replacement", {{Replace, ERROR_DISK_FULL, 1}}, {{Replace, 1}, {Move, 0}});
    oldKept("the disk is full at the write", {{WriteTemporary, ERROR_DISK_FULL, 1}}, {{Replace, 0}});
    oldKept("no temporary file may be made", {{CreateTemporary, ERROR_ACCESS_DENIED, 1}},
            {{CreateTemporary, 1}, {Replace, 0}});
    // The temporary file then holds the only copy of the settings: it stays.
    cases.push_back({"1176, then the move never succeeds",
                     true,
                     {{Replace, k1176, 1, RemoveFile}, {Move, kHeld, kAlways}},
                     false,
                     "",
                     1,
                     {{Replace, 1}}});
    // Without config.ini the new file is moved in.
    cases.push_back({"a new file's move is held up", false, {{Move, kHeld, 3}}, true, kNew, 0, {{Move, 4}}});
    cases.push_back(
        {"a new file's move never succeeds", false, {{Move, ERROR_ACCESS_DENIED, kAlways}}, false, "", 1, {}});
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(m_folder);
        fs::create_directory(m_folder);
        if (c.existed) {
            WriteFileBytes(config(), kOld);
        }
        std::vector<Fault> faults = c.faults;
        std::map<ReplaceCall, int> calls;
        const auto fault = [&](ReplaceCall call) -> unsigned long {
            ++calls[call];
            for (Fault& f : faults) {
                if (f.call == call && f.times != 0) {
                    if (f.effect) {
                        f.effect(config());
                        f.effect = {};
                    }
                    f.times = f.times == kAlways ? kAlways : f.times - 1;
                    return f.error;
                }
            }
            return 0;
        };
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(ReplaceFileContentsWithFaults(config(), kNew, NewFileReaders::OwnerOnly, fault), c.saved);
        const auto took = std::chrono::steady_clock::now() - started;

        EXPECT_EQ(fs::exists(config()), !c.configAfter.empty());
        if (!c.configAfter.empty()) {
            EXPECT_EQ(ReadFileBytes(config()), c.configAfter);
        }
        const std::vector<fs::path> left = temporaries();
        EXPECT_EQ(left.size(), c.temporariesLeft);
        if (!left.empty()) {
            EXPECT_EQ(ReadFileBytes(left.front()), kNew);
        }
        for (const auto& [call, count] : c.calls) {
            EXPECT_EQ(calls[call], count) << "call " << static_cast<int>(call);
        }
        // A held file is tried again for about 2 s, and not much longer: the program waits on it at exit.
        const bool heldForGood =
            std::any_of(c.faults.begin(), c.faults.end(), [](const Fault& f) { return f.times == kAlways; });
        if (heldForGood) {
            EXPECT_GE(took, std::chrono::milliseconds(1900));
            EXPECT_LT(took, std::chrono::seconds(10));
        }
    }
}

// The access list of a file: whether it is cut off from its folder's, and "<SID> <mask>" per entry, sorted.
struct Access {
    bool isProtected = false;
    std::vector<std::string> entries;
};

Access AccessOf(const fs::path& file) {
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    Access access;
    if (GetNamedSecurityInfoW(file.wstring().c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl,
                              nullptr, &descriptor) != ERROR_SUCCESS) {
        access.entries.push_back("unreadable");
        return access;
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    access.isProtected = (control & SE_DACL_PROTECTED) != 0;
    for (DWORD i = 0; acl != nullptr && i < acl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        GetAce(acl, i, reinterpret_cast<void**>(&header));
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            access.entries.push_back("entry of type " + std::to_string(header->AceType));
            continue;
        }
        auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        char* sid = nullptr;
        ConvertSidToStringSidA(&ace->SidStart, &sid);
        access.entries.push_back(std::string(sid != nullptr ? sid : "?") + " " + std::to_string(ace->Mask));
        LocalFree(sid);
    }
    LocalFree(descriptor);
    std::sort(access.entries.begin(), access.entries.end());
    return access;
}

std::string CurrentUserSid() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    std::array<char, 256> buffer{};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size);
    CloseHandle(token);
    char* sid = nullptr;
    ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid);
    std::string text = sid != nullptr ? sid : "";
    LocalFree(sid);
    return text;
}

// Gives the file an access list that also lets every user read it, as a folder such as C:\plimo passes on.
void OpenToEveryone(const fs::path& file) {
    const std::string user = CurrentUserSid();
    const std::wstring sddl = L"D:(A;;FA;;;" + std::wstring(user.begin(), user.end()) + L")(A;;FR;;;WD)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(
        ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr));
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted);
    std::wstring path = file.wstring();
    EXPECT_EQ(SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    acl, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    LocalFree(descriptor);
}

// The settings hold the password: whatever the old file or the folder let others do, the temporary file and the
// saved file are open to the user and the system alone, whichever way the new file takes the old one's place.
TEST_F(SettingsFolder, TheTemporaryAndTheSavedFileAreTheUsersAndTheSystemsAlone) {
    std::vector<std::string> userAndSystem = {CurrentUserSid() + " " + std::to_string(FILE_ALL_ACCESS),
                                              "S-1-5-18 " + std::to_string(FILE_ALL_ACCESS)};
    std::sort(userAndSystem.begin(), userAndSystem.end());
    // Wine keeps no access list of its own for a file: it makes one up from the POSIX mode, which has room neither
    // for the cut from the folder's list nor for every entry; what it shows is checked.
    const auto expectUsersAndTheSystems = [&](const Access& access) {
        EXPECT_EQ(access.entries, userAndSystem);
        if (!test::UnderWine()) {
            EXPECT_TRUE(access.isProtected);
        }
    };
    const std::vector<std::pair<const char*, bool>> ways = {
        {"replaced", false},
        {"moved in, the old file's access being unchangeable", true},
    };
    for (const auto& [what, accessRefused] : ways) {
        SCOPED_TRACE(what);
        WriteFileBytes(config(), kOld);
        OpenToEveryone(config());
        ASSERT_NE(AccessOf(config()).entries, userAndSystem);
        std::vector<Access> temporaryAccess;
        const auto fault = [&](ReplaceCall call) -> unsigned long {
            if (call == ReplaceCall::Replace || call == ReplaceCall::Move) {
                for (const fs::path& temporary : temporaries()) {
                    temporaryAccess.push_back(AccessOf(temporary));
                }
            }
            return call == ReplaceCall::SetAccess && accessRefused ? ERROR_ACCESS_DENIED : 0;
        };
        ASSERT_TRUE(ReplaceFileContentsWithFaults(config(), kNew, NewFileReaders::OwnerOnly, fault));
        EXPECT_EQ(ReadFileBytes(config()), kNew);
        expectUsersAndTheSystems(AccessOf(config()));
        ASSERT_EQ(temporaryAccess.size(), 1u);
        expectUsersAndTheSystems(temporaryAccess.front());
    }
}

// Saves killed halfway leave their temporary files behind: the next save removes those of processes that have
// ended, and keeps those of saves that may still run and files of other names.
TEST_F(SettingsFolder, StaleTemporaryFilesOfEndedSavesAreRemoved) {
    // A process that stays alive, suspended, until the test ends it.
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    std::wstring commandLine = L"\"" + self + L"\" --gtest_list_tests";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessW(self.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                               nullptr, &startup, &child));
    const auto temporaryOf = [this](DWORD process) {
        return m_folder / (".config.ini." + std::to_string(process) + ".3.tmp");
    };
    const std::vector<std::string> keep = {".config.ini.tmp", ".config.ini.12.tmp", ".other.ini.4000000000.1.tmp",
                                           "config.ini.4000000000.1.tmp", ".config.ini.x.1.tmp"};
    const fs::path running = temporaryOf(child.dwProcessId);
    const fs::path ours = temporaryOf(GetCurrentProcessId());
    const fs::path neverRan = temporaryOf(4000000000u);
    for (const fs::path& file : {running, ours, neverRan}) {
        WriteFileBytes(file, "[OPTIONS]\r\npass=half of a");
    }
    for (const std::string& name : keep) {
        WriteFileBytes(m_folder / name, "kept");
    }
    WriteFileBytes(config(), kOld);

    EXPECT_TRUE(ReplaceFileContents(config(), kNew, NewFileReaders::OwnerOnly));
    EXPECT_FALSE(fs::exists(neverRan));
    EXPECT_TRUE(fs::exists(running));
    EXPECT_TRUE(fs::exists(ours));

    // Ended, though its handle is still open here.
    TerminateProcess(child.hProcess, 1);
    WaitForSingleObject(child.hProcess, INFINITE);
    EXPECT_TRUE(ReplaceFileContents(config(), kNew, NewFileReaders::OwnerOnly));
    EXPECT_FALSE(fs::exists(running));
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    for (const std::string& name : keep) {
        EXPECT_TRUE(fs::exists(m_folder / name)) << name;
    }

    // While config.ini is missing, a temporary file may be the one copy of the settings: it is kept.
    fs::remove(config());
    WriteFileBytes(neverRan, kOld);
    EXPECT_TRUE(ReplaceFileContents(config(), kNew, NewFileReaders::OwnerOnly));
    EXPECT_EQ(ReadFileBytes(neverRan), kOld);
}

}  // namespace
}  // namespace plimo
