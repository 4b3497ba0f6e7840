// What the settings file's writes do to POSIX permissions and links; Windows keeps neither in these forms.
#include "platform/profile.h"

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace plimo {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

class ProfilePermissions : public ::testing::Test {
protected:
    fs::path file() const { return m_dir.file("config.ini"); }
    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
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

TEST_F(ProfilePermissions, AnExistingFileKeepsItsPermissionsAndALinkStaysALink) {
    WriteFileBytes(m_dir.file("real.ini"), "[OPTIONS]\n");
    fs::permissions(m_dir.file("real.ini"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real.ini", file());
    ASSERT_TRUE(WriteProfileString(file(), "OPTIONS", "fs", "0"));
    EXPECT_TRUE(fs::is_symlink(file()));
    EXPECT_EQ(ReadFileBytes(m_dir.file("real.ini")), "[OPTIONS]\nfs=0\n");
    EXPECT_EQ(modeOf(m_dir.file("real.ini")), 0640u);
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"config.ini", "real.ini"}));
}

}  // namespace
}  // namespace plimo
