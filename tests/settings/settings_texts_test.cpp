#include "platform/profile.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

namespace plimo {
namespace {

using test::TempDir;

// The rules of the file alone, without a window: what a missing key gives, what a save writes.
TEST(SettingsTexts, AMissingFileGivesEveryDefaultAndThePanelsPlace) {
    TempDir folder;
    const SettingsTexts read = ReadSettingsFile(folder.file("config.ini"), 1698, 983);
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

    const SettingsTexts read = ReadSettingsFile(file, 0, 0);
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
    EXPECT_EQ(ReadProfileString(file, kSettingsSection, "sitename", "none"), "site");
    EXPECT_EQ(ReadProfileString(file, kSettingsSection, "pass", "none"), "none");
}

}  // namespace
}  // namespace plimo
