#include "platform/autostart_entry.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace plimo {
namespace {

namespace fs = std::filesystem;
using namespace test;

TEST(DesktopExecValue, QuotesThePathAndEscapesItForBothLayersOfTheFormat) {
    EXPECT_EQ(DesktopExecValue("/opt/plimo/plimo"), R"("/opt/plimo/plimo")");
    EXPECT_EQ(DesktopExecValue("/home/me/My Apps/plimo"), R"("/home/me/My Apps/plimo")");
    // " ` $ take one backslash inside the quotes, which the string layer doubles; a backslash itself becomes four.
    EXPECT_EQ(DesktopExecValue("/a \"b\"/c`d`/$HOME/e\\f"), R"("/a \\"b\\"/c\\`d\\`/\\$HOME/e\\\\f")");
    EXPECT_EQ(DesktopExecValue("/100%/x"), R"("/100%%/x")");
    EXPECT_EQ(DesktopExecValue("/odd\nname\t/x"), R"("/odd\nname\t/x")");
}

TEST(AutostartFoldersFor, FollowsTheFreedesktopVariablesAndTheirDefaults) {
    AutostartFolders folders = AutostartFoldersFor("/home/me/conf", "/home/me", "/opt/xdg:relative::/etc/xdg");
    EXPECT_EQ(folders.user, fs::path("/home/me/conf/autostart"));
    EXPECT_EQ(folders.system, (std::vector<fs::path>{"/opt/xdg/autostart", "/etc/xdg/autostart"}));

    folders = AutostartFoldersFor(nullptr, "/home/me", nullptr);
    EXPECT_EQ(folders.user, fs::path("/home/me/.config/autostart"));
    EXPECT_EQ(folders.system, std::vector<fs::path>{"/etc/xdg/autostart"});
    // A relative or empty XDG value counts as unset; without a home nothing is written anywhere.
    EXPECT_EQ(AutostartFoldersFor("conf", "/home/me", "").user, fs::path("/home/me/.config/autostart"));
    EXPECT_TRUE(AutostartFoldersFor("", nullptr, nullptr).user.empty());
}

class AutostartEntry : public ::testing::Test {
protected:
    AutostartEntry() {
        fs::create_directory(m_dir.file("system"));
        m_folders = {m_dir.file("user") / "autostart", {m_dir.file("system")}};
    }
    fs::path entry(const std::string& name) const { return m_folders.user / name; }
    fs::path systemEntry(const std::string& name) const { return m_folders.system[0] / name; }
    std::vector<std::string> entries(const fs::path& folder) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> entries() const { return entries(m_folders.user); }
    void set(std::string_view name, bool remove) {
        SetAutostartEntry(m_folders, name, remove, remove ? fs::path() : m_executable);
    }

    TempDir m_dir;
    AutostartFolders m_folders;
    const fs::path m_executable = "/opt/my apps/plimo";
};

TEST_F(AutostartEntry, WritingCreatesTheUserFolderAndAnEntryEveryoneCanRead) {
    set("Plimo", false);
    EXPECT_EQ(entries(), std::vector<std::string>{"Plimo.desktop"});
    EXPECT_TRUE(entries(m_folders.system[0]).empty());
    const std::string text = ReadFileBytes(entry("Plimo.desktop"));
    EXPECT_TRUE(text.starts_with("[Desktop Entry]\n")) << text;
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nName=Plimo\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nExec=\"/opt/my apps/plimo\"\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Hidden"), std::string::npos) << text;
    struct stat info {};
    ASSERT_EQ(::stat(entry("Plimo.desktop").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(AutostartEntry, WritingAgainReplacesTheEntryAndLeavesOneRegistration) {
    fs::create_directories(m_folders.user);
    WriteFileBytes(entry("Plimo.desktop"), "[Desktop Entry]\nExec=/old/place/plimo\n");
    WriteFileBytes(entry("PLIMO.desktop"), "[Desktop Entry]\nExec=/other/old/plimo\n");
    WriteFileBytes(entry("Plimo2.desktop"), "kept");
    set("Plimo", false);
    EXPECT_EQ(entries(), (std::vector<std::string>{"Plimo.desktop", "Plimo2.desktop"}));
    EXPECT_EQ(ReadFileBytes(entry("Plimo.desktop")), AutostartEntryText(m_executable));
}

TEST_F(AutostartEntry, RemovingMatchesTheNameWithoutRegardToCase) {
    fs::create_directories(m_folders.user);
    for (const char* name :
         {"Plimo.desktop", "PLIMO.desktop", "Plimo2.desktop", "other.desktop", "plimo.txt", "plimo.desktop.bak"}) {
        WriteFileBytes(entry(name), "x");
    }
    set("plimo", true);
    EXPECT_EQ(entries(),
              (std::vector<std::string>{"Plimo2.desktop", "other.desktop", "plimo.desktop.bak", "plimo.txt"}));
}

TEST_F(AutostartEntry, TickUntickTickLeavesTheEntryAndRemovingNothingChangesNothing) {
    set("plimo", true);
    EXPECT_FALSE(fs::exists(m_folders.user));
    set("Plimo", false);
    set("plimo", true);
    set("Plimo", false);
    EXPECT_EQ(entries(), std::vector<std::string>{"Plimo.desktop"});
}

// A system-wide entry (an older version's, a package's) starts the program for everyone. The user's own entry of
// the same file name overrides it, one under another letter case is masked, and unticking masks them all. The
// system folder itself is never changed, though here, as for root, the rights would allow it.
TEST_F(AutostartEntry, SystemEntriesAreMaskedForTheUserAndNeverChanged) {
    WriteFileBytes(systemEntry("Plimo.desktop"), "[Desktop Entry]\nExec=/old/plimo\n");
    WriteFileBytes(systemEntry("plimo.desktop"), "[Desktop Entry]\nExec=/older/plimo\n");
    WriteFileBytes(systemEntry("Other.desktop"), "kept");
    const auto systemFolder = [this] {
        std::vector<std::string> namesAndBytes;
        for (const std::string& name : entries(m_folders.system[0])) {
            namesAndBytes.push_back(name + ": " + ReadFileBytes(systemEntry(name)));
        }
        return namesAndBytes;
    };
    const std::vector<std::string> before = systemFolder();

    set("Plimo", false);
    EXPECT_EQ(entries(), (std::vector<std::string>{"Plimo.desktop", "plimo.desktop"}));
    EXPECT_EQ(ReadFileBytes(entry("Plimo.desktop")), AutostartEntryText(m_executable));
    EXPECT_EQ(ReadFileBytes(entry("plimo.desktop")), HiddenAutostartEntryText());
    EXPECT_EQ(systemFolder(), before);

    set("plimo", true);
    EXPECT_EQ(entries(), (std::vector<std::string>{"Plimo.desktop", "plimo.desktop"}));
    EXPECT_EQ(ReadFileBytes(entry("Plimo.desktop")), HiddenAutostartEntryText());
    EXPECT_EQ(ReadFileBytes(entry("plimo.desktop")), HiddenAutostartEntryText());
    EXPECT_EQ(systemFolder(), before);
}

// An ordinary user cannot delete in /etc/xdg/autostart: removal then leaves a Hidden=true entry of each name.
TEST_F(AutostartEntry, RemovalHidesASystemEntryTheUserCannotDelete) {
    WriteFileBytes(systemEntry("Plimo.desktop"), "[Desktop Entry]\nExec=/old/plimo\n");
    WriteFileBytes(systemEntry("PLIMO.desktop"), "[Desktop Entry]\nExec=/older/plimo\n");
    fs::permissions(m_folders.system[0], fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                             fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    // Root may delete anywhere: the registration runs as another user, in a process of its own.
    constexpr uid_t kNobody = 65534;
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(m_dir.path().c_str(), kNobody, kNobody), 0);
        ::chmod(m_dir.path().c_str(), 0755);
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            ::_exit(2);
        }
        set("Plimo", false);
        set("plimo", true);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    EXPECT_EQ(entries(m_folders.system[0]), (std::vector<std::string>{"PLIMO.desktop", "Plimo.desktop"}));
    EXPECT_EQ(entries(), (std::vector<std::string>{"PLIMO.desktop", "Plimo.desktop"}));
    EXPECT_EQ(ReadFileBytes(entry("Plimo.desktop")), HiddenAutostartEntryText());
    EXPECT_EQ(ReadFileBytes(entry("PLIMO.desktop")), HiddenAutostartEntryText());
}

TEST_F(AutostartEntry, FailuresAreSilentAndCreateNothingOutsideTheUserFolder) {
    // Names that would lead out of the folder, and an unknown executable, write nothing.
    set("../Plimo", false);
    set("", false);
    SetAutostartEntry(m_folders, "Plimo", false, {});
    EXPECT_FALSE(fs::exists(m_folders.user));
    // Without a user folder (no home) nothing is written, not even into a system folder.
    SetAutostartEntry({{}, m_folders.system}, "Plimo", false, m_executable);
    EXPECT_TRUE(entries(m_folders.system[0]).empty());

    // A folder without write permission is refused even for root, and leaves no temporary file.
    fs::create_directories(m_folders.user);
    fs::permissions(m_folders.user, fs::perms::owner_read | fs::perms::owner_exec);
    set("Plimo", false);
    EXPECT_TRUE(fs::is_empty(m_folders.user));
    fs::permissions(m_folders.user, fs::perms::owner_all);
}

}  // namespace
}  // namespace plimo
