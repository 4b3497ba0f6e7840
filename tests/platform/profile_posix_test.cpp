// What the settings file's writes do to POSIX permissions and links; Windows keeps neither in these forms.
#include "platform/profile.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace plimo {
namespace {

namespace fs = std::filesystem;
using namespace test;

class ProfilePermissions : public ::testing::Test {
protected:
    fs::path file() const { return m_dir.file("config.ini"); }
    std::vector<std::string> folderEntries() const { return m_dir.entries(); }
    static unsigned modeOf(const fs::path& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0);
        return info.st_mode & 07777;
    }

    TempDir m_dir;
};

TEST_F(ProfilePermissions, ANewFileIsReadableByItsOwnerOnly) {
    ASSERT_TRUE(WriteProfileString(file(), "OPTIONS", "pass", "secret"));
    EXPECT_EQ(modeOf(file()), 0600u);
}

TEST_F(ProfilePermissions, AReadOnlyFolderIsAFailedWriteEvenForRoot) {
    WriteFileBytes(file(), "[OPTIONS]\nfs=1\n");
    fs::permissions(m_dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WriteProfileString(file(), "OPTIONS", "fs", "0"));
    EXPECT_FALSE(WriteProfileString(m_dir.file("new.ini"), "OPTIONS", "fs", "0"));
    fs::permissions(m_dir.path(), fs::perms::owner_all);
    EXPECT_EQ(ReadFileBytes(file()), "[OPTIONS]\nfs=1\n");
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"config.ini"});
}

// The file holds the password: a file that was open to others (made by an editor, or by an older version) is
// closed to them by the next save.
TEST_F(ProfilePermissions, EverySaveLeavesTheFileReadableByItsOwnerOnly) {
    WriteFileBytes(file(), "[OPTIONS]\npass=old\n");
    fs::permissions(file(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_all |
                                fs::perms::others_read | fs::perms::others_write);
    ASSERT_TRUE(WriteProfileString(file(), "OPTIONS", "pass", "secret"));
    EXPECT_EQ(modeOf(file()), 0600u);
    EXPECT_EQ(ReadFileBytes(file()), "[OPTIONS]\npass=secret\n");
}

// Root reading a user's settings must not read a file the user may not (a link to /etc/shadow, say): its text would
// be saved into the user's own file. The link is not read, and the file counts as unreadable.
TEST_F(ProfilePermissions, RootReadsNoLinkInAnotherUsersFolder) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root, to read as root in a folder another user owns";
    }
    WriteFileBytes(m_dir.file("secret"), "[OPTIONS]\npass=root's\n");
    fs::create_symlink(m_dir.file("secret"), file());
    EXPECT_EQ(ProfileFile(file()).read("OPTIONS", "pass", "none"), "root's") << "root's own folder: followed";
    ASSERT_EQ(::chown(m_dir.path().c_str(), 65534, 65534), 0);
    const ProfileFile profile(file());
    EXPECT_EQ(profile.readFailure(), FileReadFailure::NotAFile);
    EXPECT_EQ(profile.read("OPTIONS", "pass", "none"), "none");
}

TEST_F(ProfilePermissions, ALinkIsWrittenThroughToItsTargetDanglingOrNot) {
    fs::create_directory(m_dir.file("dotfiles"));
    WriteFileBytes(m_dir.file("dotfiles") / "plimo.ini", "[OPTIONS]\n");
    fs::create_symlink("dotfiles/plimo.ini", file());
    ASSERT_TRUE(WriteProfileString(file(), "OPTIONS", "fs", "0"));
    EXPECT_TRUE(fs::is_symlink(file()));
    EXPECT_EQ(ReadFileBytes(m_dir.file("dotfiles") / "plimo.ini"), "[OPTIONS]\nfs=0\n");
    EXPECT_EQ(modeOf(m_dir.file("dotfiles") / "plimo.ini"), 0600u);
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"config.ini", "dotfiles"}));

    // A link to a file not made yet (a fresh dotfile checkout), through a second link, creates that file.
    fs::remove(file());
    fs::create_symlink(m_dir.file("second-link"), file());
    fs::create_symlink("dotfiles/new.ini", m_dir.file("second-link"));
    ASSERT_TRUE(WriteProfileString(file(), "OPTIONS", "fs", "0"));
    EXPECT_TRUE(fs::is_symlink(file()));
    EXPECT_TRUE(fs::is_symlink(m_dir.file("second-link")));
    EXPECT_EQ(ReadFileBytes(m_dir.file("dotfiles") / "new.ini"), "[OPTIONS]\r\nfs=0\r\n");
    EXPECT_EQ(modeOf(m_dir.file("dotfiles") / "new.ini"), 0600u);
    EXPECT_EQ(ReadProfileString(file(), "OPTIONS", "fs", ""), "0");

    // A loop of links is a failed write that changes nothing.
    fs::remove(file());
    fs::create_symlink("loop", file());
    fs::create_symlink("config.ini", m_dir.file("loop"));
    EXPECT_FALSE(WriteProfileString(file(), "OPTIONS", "fs", "0"));
    EXPECT_TRUE(fs::is_symlink(file()));
}

constexpr uid_t kNobody = 65534;

// Runs the step in a process of its own as an ordinary user: as nobody when the test runs as root (who may write
// anything), as the test's own user otherwise. The folder is handed to that user first. True when the step did.
bool AsOrdinaryUser(const fs::path& folder, const std::function<bool()>& step) {
    const bool root = ::geteuid() == 0;
    if (root && (::chown(folder.c_str(), kNobody, kNobody) != 0 || ::chmod(folder.parent_path().c_str(), 0755) != 0)) {
        return false;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        if (root && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            ::_exit(2);
        }
        ::_exit(step() ? 0 : 1);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A save killed while it ran as root leaves a temporary file the user cannot open; in the user's own folder the
// next save removes it rather than failing every time.
TEST_F(ProfilePermissions, AStaleTemporaryFileOfAnotherUserIsRemovedAndTheSaveGoesOn) {
    const fs::path folder = m_dir.file("program");
    fs::create_directory(folder);
    WriteFileBytes(folder / ".config.ini.tmp", "[OPTIONS]\npass=half of a ro");
    if (::geteuid() != 0) {
        // The test's own user cannot stand in for root's file: one it may not open is as good.
        fs::permissions(folder / ".config.ini.tmp", fs::perms::none);
    }
    EXPECT_TRUE(AsOrdinaryUser(folder, [&] {
        return WriteProfileString(folder / "config.ini", "OPTIONS", "fs", "0") &&
               WriteProfileString(folder / "config.ini", "OPTIONS", "pass", "x");
    }));
    EXPECT_EQ(ReadFileBytes(folder / "config.ini"), "[OPTIONS]\r\nfs=0\r\npass=x\r\n");
    EXPECT_FALSE(fs::exists(folder / ".config.ini.tmp"));
}

// A run as root in a user's folder (sudo, an installer) must not leave a config.ini the user cannot read: every
// later start would be a first run, and every exit would show the save error.
TEST_F(ProfilePermissions, ANewFileBelongsToTheOwnerOfItsFolder) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a file to another user";
    }
    const fs::path folder = m_dir.file("program");
    fs::create_directory(folder);
    ASSERT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
    ASSERT_TRUE(WriteProfileString(folder / "config.ini", "OPTIONS", "pass", "secret"));
    struct stat info {};
    ASSERT_EQ(::stat((folder / "config.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, kNobody);
    EXPECT_EQ(info.st_gid, kNobody);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    // The user then reads and saves it as usual.
    EXPECT_TRUE(AsOrdinaryUser(folder, [&] {
        return ReadProfileString(folder / "config.ini", "OPTIONS", "pass", "") == "secret" &&
               WriteProfileString(folder / "config.ini", "OPTIONS", "pass", "mine");
    }));
    EXPECT_EQ(ReadProfileString(folder / "config.ini", "OPTIONS", "pass", ""), "mine");
}

}  // namespace
}  // namespace plimo
