#include "platform/profile.h"
#include "settings/settings_file.h"
#include "settings/settings_home.h"
#include "settings/settings_keys.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace plimo {
namespace {

using test::TempDir;

// The rules of the file alone, without a window: what a missing key gives, what a save writes.
TEST(SettingsTexts, AMissingFileGivesEveryDefaultAndThePanelsPlace) {
    TempDir folder;
    const SettingsTexts read = ReadSettingsFile(folder.file("config.ini"), 1698, 983).texts;
    EXPECT_EQ(read.autostart, "1");
    EXPECT_EQ(read.sitename, "");
    EXPECT_EQ(read.color, "clBlack");
    EXPECT_EQ(read.colorf1, "$0080FFFF");
    EXPECT_EQ(read.colorf2, "$00F3ED07");
    EXPECT_EQ(read.blend, "193");
    EXPECT_EQ(read.up, "2");
    EXPECT_EQ(read.cx, "1698");
    EXPECT_EQ(read.cy, "983");
    EXPECT_EQ(read.fs, "1");
    EXPECT_EQ(read.lindx, kExampleStatisticsPage);
}

TEST(SettingsTexts, ASaveTrimsTheTypedTextsAndEndsTheFirstRun) {
    TempDir folder;
    const auto file = folder.file("config.ini");
    SettingsTexts written;
    written.autostart = "0";
    written.sitename = "  my site \t";
    written.sitehttp = " http://example.com ";
    written.pass = " secret ";
    written.lindx = " https://www.liveinternet.ru/stat/example.com/ ";
    written.color = "clBlack";
    written.colorf1 = "$00000001";
    written.colorf2 = "$00000002";
    written.blend = "200";
    written.up = "4";
    written.cx = "-100";
    written.cy = "5";
    written.fs = "1";  // whatever the caller says: a saved file has had its first run
    ASSERT_TRUE(WriteSettingsFile(file, written));
    EXPECT_EQ(test::ReadFileBytes(file),
              "[OPTIONS]\r\nautostart=0\r\nsitename=my site\r\nsitehttp=http://example.com\r\n"
              "lindx=https://www.liveinternet.ru/stat/example.com/\r\npass=secret\r\ncolor=clBlack\r\n"
              "colorf1=$00000001\r\ncolorf2=$00000002\r\nblend=200\r\nup=4\r\ncx=-100\r\ncy=5\r\nfs=0\r\n");

    const SettingsTexts read = ReadSettingsFile(file, 0, 0).texts;
    EXPECT_EQ(read.sitename, "my site");
    EXPECT_EQ(read.sitehttp, "http://example.com");
    EXPECT_EQ(read.pass, "secret");
    EXPECT_EQ(read.lindx, "https://www.liveinternet.ru/stat/example.com/");
    EXPECT_EQ(read.autostart, "0");
    EXPECT_EQ(read.colorf2, "$00000002");
    EXPECT_EQ(read.up, "4");
    EXPECT_EQ(read.cx, "-100");
    EXPECT_EQ(read.fs, "0");
}

TEST(SettingsTexts, AValueThatCannotBeWrittenFailsTheSaveAndEndsItThere) {
    TempDir folder;
    const auto file = folder.file("config.ini");
    SettingsTexts written;
    written.sitename = "site";
    written.sitehttp = "two\nlines";  // no INI value can hold a line break
    written.pass = "secret";
    EXPECT_FALSE(WriteSettingsFile(file, written));
    EXPECT_EQ(ReadProfileString(file, kSettingsSection, NameOf(SettingsKey::sitename), "none"), "site");
    EXPECT_EQ(ReadProfileString(file, kSettingsSection, NameOf(SettingsKey::pass), "none"), "none");
}

// A file that is there but is not settings this program can read is never taken for an empty one: the defaults
// apply, and the caller learns why, so that nothing is saved over it.
TEST(SettingsTexts, AFileThatCannotBeTakenForTheSettingsGivesTheDefaultsAndWhy) {
    struct Case {
        const char* what;
        std::string bytes;  // empty: a folder in the file's place
        SettingsFileProblem problem;
    };
    const std::string options = "[OPTIONS]\r\nsitename=mine\r\nfs=0\r\n";
    std::string utf16("\xFF\xFE");
    for (const char c : options) {
        utf16 += c;
        utf16 += '\0';
    }
    const Case cases[] = {
        {"UTF-16 with its byte order mark", utf16, SettingsFileProblem::Utf16},
        {"UTF-16 without one", utf16.substr(2), SettingsFileProblem::Utf16},
        {"over 1 MiB", options + std::string(kMaxSettingsFileSize, ';'), SettingsFileProblem::TooLarge},
        {"a folder", "", SettingsFileProblem::CannotRead},
    };
    for (const Case& c : cases) {
        TempDir folder;
        const auto file = folder.file("config.ini");
        if (c.bytes.empty()) {
            std::filesystem::create_directory(file);
        } else {
            test::WriteFileBytes(file, c.bytes);
        }
        const SettingsFileRead read = ReadSettingsFile(file, 7, 8);
        EXPECT_EQ(read.problem, c.problem) << c.what;
        EXPECT_EQ(read.texts.sitename, "") << c.what;
        EXPECT_EQ(read.texts.fs, "1") << c.what;
        EXPECT_EQ(read.texts.cx, "7") << c.what;
        EXPECT_EQ(read.texts.blend, "193") << c.what;
    }
    TempDir folder;
    test::WriteFileBytes(folder.file("config.ini"), options + std::string(1000, ';'));
    EXPECT_EQ(ReadSettingsFile(folder.file("config.ini"), 0, 0).problem, SettingsFileProblem::None);
}

// Only the keys asked for are written; every other line stays as it was, odd values included.
TEST(SettingsTexts, ASaveOfSomeKeysKeepsTheOtherLines) {
    TempDir folder;
    const auto file = folder.file("config.ini");
    const std::string rest = "colorf1=$00000001\r\nblend=17\r\nfs=1\r\n";
    test::WriteFileBytes(file, "[OPTIONS]\r\nsitename=old\r\ncolor=abc\r\n" + rest);
    SettingsTexts written;
    written.sitename = "new";
    written.color = "clRed";
    written.blend = "0";
    SettingsKeys keys;
    Add(keys, SettingsKey::sitename);
    ASSERT_TRUE(WriteSettingsFile(file, file, written, keys));
    EXPECT_EQ(test::ReadFileBytes(file), "[OPTIONS]\r\nsitename=new\r\ncolor=abc\r\n" + rest);
}

// In a folder the user cannot write, the settings move to the user's own folder; the copy beside the program is
// read until then, and never written.
TEST(SettingsHome, TheProgramsFolderUnlessItCannotBeWritten) {
    TempDir program;
    TempDir user;
    const auto beside = program.file("config.ini");
    const auto own = user.file("config.ini");

    SettingsHome home = ChooseSettingsHome(program.path(), true, user.path());
    EXPECT_EQ(home.folder, program.path());
    EXPECT_EQ(home.configFile, beside);

    home = ChooseSettingsHome(program.path(), false, user.path());
    EXPECT_EQ(home.folder, user.path());
    EXPECT_EQ(home.configFile, beside) << "no copy of the user's own yet";

    test::WriteFileBytes(own, "[OPTIONS]\r\n");
    home = ChooseSettingsHome(program.path(), false, user.path());
    EXPECT_EQ(home.configFile, own);

    home = ChooseSettingsHome(program.path(), false, {});
    EXPECT_EQ(home.folder, program.path()) << "no user folder: the save fails and says so, as it always did";
}

}  // namespace
}  // namespace plimo
