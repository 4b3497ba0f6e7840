// Which links a replacement follows: an ordinary user's save writes through a link to its target, while root in
// another user's folder follows none, so that the user cannot steer root's write to a file of the user's choice.
#include "platform/atomic_file_posix.h"

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace plimo {
namespace {

namespace fs = std::filesystem;
using namespace test;

constexpr uid_t kRoot = 0;
constexpr uid_t kNobody = 65534;
const std::string kVictim = "root's own file\n";
const std::string kOld = "[OPTIONS]\nfs=0\n";
const std::string kNew = "[OPTIONS]\r\npass=secret\r\n";

// A folder of the user's, holding the settings file, and a file elsewhere that root owns. Root is stood in for by
// the effective user given to the replacement: the folder then belongs to someone else, as it does for real when
// the test runs as root and the folder is handed to nobody.
class RootInAUsersFolder : public ::testing::Test {
public:
    RootInAUsersFolder() {
        fs::create_directory(folder());
        if (::geteuid() == kRoot && ::chown(folder().c_str(), kNobody, kNobody) != 0) {
            ADD_FAILURE() << "cannot hand the folder to nobody";
        }
        struct stat info {};
        ::stat(folder().c_str(), &info);
        m_user = info.st_uid;
    }
    fs::path folder() const { return m_dir.file("user"); }
    fs::path config() const { return folder() / "config.ini"; }
    fs::path temporary() const { return folder() / ".config.ini.tmp"; }
    fs::path victim() const { return m_dir.file("victim"); }
    fs::path madeByRoot() const { return m_dir.file("made-by-root"); }

protected:
    bool save(uid_t user) { return ReplaceFileContentsAs(user, config(), kNew, NewFileReaders::OwnerOnly); }
    static unsigned modeOf(const fs::path& path) {
        struct stat info {};
        return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
    }

    TempDir m_dir;
    uid_t m_user = 0;  // the folder's owner
};

struct LinkCase {
    const char* what;
    std::function<void(const RootInAUsersFolder&)> plant;
    bool asRoot;
    bool saved;
    std::string victimAfter;  // the victim's contents after the save
    std::string configAfter;  // config.ini's own contents, read through no link; "" for a link
};

TEST_F(RootInAUsersFolder, FollowsNoLinkTheUserPlantedButAnOrdinarySaveWritesThroughIt) {
    const auto linkToVictim = [](const RootInAUsersFolder& t) { fs::create_symlink(t.victim(), t.config()); };
    const auto temporaryLink = [](const RootInAUsersFolder& t) {
        WriteFileBytes(t.config(), kOld);
        fs::create_symlink(t.victim(), t.temporary());
    };
    const auto temporaryHardLink = [](const RootInAUsersFolder& t) {
        WriteFileBytes(t.config(), kOld);
        fs::create_hard_link(t.victim(), t.temporary());
    };
    const std::vector<LinkCase> cases = {
        {"config.ini links to root's file", linkToVictim, true, false, kVictim, ""},
        {"config.ini links to the user's own file", linkToVictim, false, true, kNew, ""},
        {"config.ini links to a file not made yet",
         [](const RootInAUsersFolder& t) { fs::create_symlink(t.madeByRoot(), t.config()); }, true, false, kVictim, ""},
        {"the temporary name links to root's file", temporaryLink, true, false, kVictim, kOld},
        {"the temporary name links to the user's own file", temporaryLink, false, true, kVictim, kNew},
        {"the temporary name is a second name of root's file", temporaryHardLink, true, false, kVictim, kOld},
        {"the temporary name is a second name of the user's file", temporaryHardLink, false, true, kVictim, kNew},
        {"config.ini is the user's plain file", [](const RootInAUsersFolder& t) { WriteFileBytes(t.config(), kOld); },
         true, true, kVictim, kNew},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(c.what);
        for (const fs::path& planted : {config(), temporary(), madeByRoot()}) {
            fs::remove(planted);
        }
        fs::remove(victim());
        WriteFileBytes(victim(), kVictim);
        fs::permissions(
            victim(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
        c.plant(*this);

        EXPECT_EQ(save(c.asRoot ? kRoot : m_user), c.saved);
        EXPECT_EQ(ReadFileBytes(victim()), c.victimAfter);
        // Written through, it is left to its owner alone like any settings file; otherwise it is untouched.
        EXPECT_EQ(modeOf(victim()), c.victimAfter == kNew ? 0600u : 0644u);
        EXPECT_FALSE(fs::exists(madeByRoot()));
        if (c.configAfter.empty()) {
            EXPECT_TRUE(fs::is_symlink(config()));
        } else {
            EXPECT_FALSE(fs::is_symlink(config()));
            EXPECT_EQ(ReadFileBytes(config()), c.configAfter);
        }
        // A save leaves no temporary file; a refused one leaves what the user planted.
        EXPECT_EQ(fs::exists(fs::symlink_status(temporary())), !c.saved && c.configAfter == kOld);
    }
}

// Root's own links in root's own folder are followed; the first link into the user's folder is not.
TEST(RootsOwnFolder, LinksAreFollowedUntilOneLiesInAnotherUsersFolder) {
    if (::geteuid() != kRoot) {
        GTEST_SKIP() << "only a folder root owns shows what root may follow";
    }
    TempDir dir;
    const fs::path users = dir.file("user");
    fs::create_directory(users);
    ASSERT_EQ(::chown(users.c_str(), kNobody, kNobody), 0);
    WriteFileBytes(dir.file("settings"), kOld);
    WriteFileBytes(dir.file("victim"), kVictim);

    fs::create_symlink("settings", dir.file("config.ini"));
    EXPECT_TRUE(ReplaceFileContents(dir.file("config.ini"), kNew, NewFileReaders::OwnerOnly));
    EXPECT_EQ(ReadFileBytes(dir.file("settings")), kNew);

    fs::remove(dir.file("config.ini"));
    fs::create_symlink(users / "config.ini", dir.file("config.ini"));
    fs::create_symlink(dir.file("victim"), users / "config.ini");
    EXPECT_FALSE(ReplaceFileContents(dir.file("config.ini"), kNew, NewFileReaders::OwnerOnly));
    EXPECT_EQ(ReadFileBytes(dir.file("victim")), kVictim);
    EXPECT_TRUE(fs::is_symlink(users / "config.ini"));
}

}  // namespace
}  // namespace plimo
