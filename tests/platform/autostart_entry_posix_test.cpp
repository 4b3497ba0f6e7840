#include "platform/autostart_entry.h"

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

TEST(DesktopExecValue, QuotesThePathAndEscapesItForBothLayersOfTheFormat) {
    EXPECT_EQ(DesktopExecValue("/opt/plimo/plimo"), R"("/opt/plimo/plimo")");
    EXPECT_EQ(DesktopExecValue("/home/me/My Apps/plimo"), R"("/home/me/My Apps/plimo")");
    // " ` $ take one backslash inside the quotes, which the string layer doubles; a backslash itself becomes four.
    EXPECT_EQ(DesktopExecValue("/a \"b\"/c`d`/$HOME/e\\f"), R"("/a \\"b\\"/c\\`d\\`/\\$HOME/e\\\\f")");
    EXPECT_EQ(DesktopExecValue("/100%/x"), R"("/100%%/x")");
    EXPECT_EQ(DesktopExecValue("/odd\nname\t/x"), R"("/odd\nname\t/x")");
}

class AutostartEntry : public ::testing::Test {
protected:
    fs::path entry(const std::string& name) const { return m_dir.file(name); }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_dir.path())) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir m_dir;
    const fs::path m_executable = "/opt/my apps/plimo";
};

TEST_F(AutostartEntry, WritingCreatesAnEntryEveryoneCanRead) {
    SetAutostartEntry(m_dir.path(), "Plimo", false, m_executable);
    EXPECT_EQ(entries(), std::vector<std::string>{"Plimo.desktop"});
    const std::string text = ReadFileBytes(entry("Plimo.desktop"));
    EXPECT_TRUE(text.starts_with("[Desktop Entry]\n")) << text;
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nName=Plimo\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nExec=\"/opt/my apps/plimo\"\n"), std::string::npos) << text;
    struct stat info {};
    ASSERT_EQ(::stat(entry("Plimo.desktop").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(AutostartEntry, WritingAgainReplacesTheEntryAndLeavesOneRegistration) {
    WriteFileBytes(entry("Plimo.desktop"), "[Desktop Entry]\nExec=/old/place/plimo\n");
    WriteFileBytes(entry("PLIMO.desktop"), "[Desktop Entry]\nExec=/other/old/plimo\n");
    WriteFileBytes(entry("Plimo2.desktop"), "kept");
    SetAutostartEntry(m_dir.path(), "Plimo", false, m_executable);
    EXPECT_EQ(entries(), (std::vector<std::string>{"Plimo.desktop", "Plimo2.desktop"}));
    EXPECT_EQ(ReadFileBytes(entry("Plimo.desktop")), AutostartEntryText(m_executable));
}

TEST_F(AutostartEntry, RemovingMatchesTheNameWithoutRegardToCase) {
    for (const char* name :
         {"Plimo.desktop", "PLIMO.desktop", "Plimo2.desktop", "other.desktop", "plimo.txt", "plimo.desktop.bak"}) {
        WriteFileBytes(entry(name), "x");
    }
    SetAutostartEntry(m_dir.path(), "plimo", true, {});
    EXPECT_EQ(entries(),
              (std::vector<std::string>{"Plimo2.desktop", "other.desktop", "plimo.desktop.bak", "plimo.txt"}));
}

TEST_F(AutostartEntry, TickUntickTickLeavesTheEntryAndRemovingNothingChangesNothing) {
    SetAutostartEntry(m_dir.path(), "plimo", true, {});
    EXPECT_TRUE(entries().empty());
    SetAutostartEntry(m_dir.path(), "Plimo", false, m_executable);
    SetAutostartEntry(m_dir.path(), "plimo", true, {});
    SetAutostartEntry(m_dir.path(), "Plimo", false, m_executable);
    EXPECT_EQ(entries(), std::vector<std::string>{"Plimo.desktop"});
}

TEST_F(AutostartEntry, FailuresAreSilentAndCreateNothing) {
    const fs::path missing = m_dir.file("no-such-folder");
    SetAutostartEntry(missing, "Plimo", false, m_executable);
    SetAutostartEntry(missing, "Plimo", true, {});
    EXPECT_FALSE(fs::exists(missing));

    // Names that would lead out of the folder, and an unknown executable, write nothing.
    fs::create_directory(m_dir.file("inner"));
    SetAutostartEntry(m_dir.file("inner"), "../Plimo", false, m_executable);
    SetAutostartEntry(m_dir.file("inner"), "", false, m_executable);
    SetAutostartEntry(m_dir.file("inner"), "Plimo", false, {});
    EXPECT_EQ(entries(), std::vector<std::string>{"inner"});
    EXPECT_TRUE(fs::is_empty(m_dir.file("inner")));

    // A folder without write permission is refused even for root, and leaves no temporary file.
    fs::permissions(m_dir.file("inner"), fs::perms::owner_read | fs::perms::owner_exec);
    SetAutostartEntry(m_dir.file("inner"), "Plimo", false, m_executable);
    EXPECT_TRUE(fs::is_empty(m_dir.file("inner")));
}

}  // namespace
}  // namespace plimo
