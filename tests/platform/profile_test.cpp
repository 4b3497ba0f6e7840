#include "platform/profile.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/ascii_case.h"
#include "temp_dir.h"

namespace plimo {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

class Profile : public ::testing::Test {
protected:
    fs::path file() const { return m_dir.file("config.ini"); }
    std::string read(std::string_view key, std::string_view fallback = "<default>") const {
        return ReadProfileString(file(), "OPTIONS", key, fallback);
    }
    // Writes the bytes, sets one key, and gives back what the file then holds.
    std::string afterWrite(const std::string& before, std::string_view section, std::string_view key,
                           std::string_view value) {
        WriteFileBytes(file(), before);
        EXPECT_TRUE(WriteProfileString(file(), section, key, value));
        return ReadFileBytes(file());
    }
    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir m_dir;
};

// --- Reading -------------------------------------------------------------------------------------------------------

TEST_F(Profile, NamesMatchWithoutRegardToCaseAndBlanksAroundEverythingAreDropped) {
    WriteFileBytes(file(), "  [ options ]  \r\n  SiteName  =  \t my site \t \r\nPASS=x\r\n");
    EXPECT_EQ(read("sitename"), "my site");
    EXPECT_EQ(ReadProfileString(file(), "Options", "pass", ""), "x");
}

TEST_F(Profile, AbsentFileSectionOrKeyGivesTheDefaultButAnEmptyValueIsEmpty) {
    EXPECT_EQ(read("fs", "1"), "1");
    WriteFileBytes(file(), "[OTHER]\nfs=0\n[OPTIONS]\nsitename=\nblend=   \n");
    EXPECT_EQ(read("fs", "1"), "1");
    EXPECT_EQ(read("sitename"), "");
    EXPECT_EQ(read("blend"), "");
    EXPECT_EQ(ReadProfileString(file(), "MISSING", "sitename", "d"), "d");
}

TEST_F(Profile, AMatchingPairOfQuotesIsRemovedOnce) {
    WriteFileBytes(file(),
                   "[OPTIONS]\n"
                   "a=\"two words\"\n"
                   "b=' inner blanks stay '\n"
                   "c=\"mismatched'\n"
                   "d=\"\n"
                   "e=\"\"\n"
                   "f=\"\"nested\"\"\n"
                   "g=  \"padded\"  \n"
                   "h=say \"hi\"\n");
    EXPECT_EQ(read("a"), "two words");
    EXPECT_EQ(read("b"), " inner blanks stay ");
    EXPECT_EQ(read("c"), "\"mismatched'");
    EXPECT_EQ(read("d"), "\"");
    EXPECT_EQ(read("e"), "");
    EXPECT_EQ(read("f"), "\"nested\"");
    EXPECT_EQ(read("g"), "padded");
    EXPECT_EQ(read("h"), "say \"hi\"");
}

TEST_F(Profile, AValueIsCutToItsFirst2047Characters) {
    std::string longValue;
    for (int i = 0; i < 3000; ++i) {
        longValue += static_cast<char>('a' + i % 26);
    }
    WriteFileBytes(file(), "[OPTIONS]\nlong=" + longValue + "\nquoted=\"" + longValue +
                               "\"\nexact=" + longValue.substr(0, 2047) + "\n");
    EXPECT_EQ(read("long"), longValue.substr(0, 2047));
    EXPECT_EQ(read("quoted"), longValue.substr(0, 2047));
    EXPECT_EQ(read("exact"), longValue.substr(0, 2047));
    EXPECT_EQ(read("missing", longValue), longValue.substr(0, 2047));
}

TEST_F(Profile, OnlyLinesWithAnEqualsSignAreKeys) {
    WriteFileBytes(file(), "[OPTIONS]\nsitename\n; pass=commented\npass = real = value\n[broken\nfs=0\n");
    EXPECT_EQ(read("sitename"), "<default>");
    EXPECT_EQ(read("pass"), "real = value");
    // A "[" line without "]" does not open a section, so fs still belongs to OPTIONS.
    EXPECT_EQ(read("fs"), "0");
}

TEST_F(Profile, KeysOutsideTheSectionDoNotCount) {
    WriteFileBytes(file(), "fs=before any section\n[OTHER]\nfs=other\n[OPTIONS] ; trailing note\nup=2\n");
    EXPECT_EQ(read("fs"), "<default>");
    EXPECT_EQ(read("up"), "2");
}

TEST_F(Profile, TheFirstOfDuplicateSectionsAndKeysCounts) {
    WriteFileBytes(file(), "[OPTIONS]\nup=1\nUP=2\n[other]\n[options]\nup=3\nfs=0\n");
    EXPECT_EQ(read("up"), "1");
    EXPECT_EQ(read("fs"), "<default>");
}

TEST_F(Profile, ByteOrderMarkIsIgnoredForReadingAndKeptOnWriting) {
    WriteFileBytes(file(), "\xEF\xBB\xBF[OPTIONS]\r\nfs=0\r\n");
    EXPECT_EQ(read("fs"), "0");
    EXPECT_TRUE(WriteProfileString(file(), "OPTIONS", "up", "4"));
    EXPECT_EQ(ReadFileBytes(file()), "\xEF\xBB\xBF[OPTIONS]\r\nfs=0\r\nup=4\r\n");
}

TEST_F(Profile, NulBytesEndAValueButNotTheFile) {
    WriteFileBytes(file(), std::string("[OPTIONS]\n\0junk\nsitename=ab\0cd\nfs=0", 35));
    EXPECT_EQ(read("sitename"), "ab");
    EXPECT_EQ(read("fs"), "0");
}

TEST_F(Profile, AnsiBytesPassThroughUnchanged) {
    const std::string cyrillic = "\xcf\xf0\xe8\xe2\xe5\xf2 \xff\x80";
    ASSERT_TRUE(WriteProfileString(file(), "OPTIONS", "sitename", cyrillic));
    EXPECT_EQ(read("sitename"), cyrillic);
}

// --- Writing -------------------------------------------------------------------------------------------------------

TEST_F(Profile, ANewFileHoldsTheSectionAndKeysInWritingOrderWithCrLf) {
    ProfileFile profile(file());
    EXPECT_TRUE(profile.write("OPTIONS", "autostart", "1"));
    EXPECT_TRUE(profile.write("OPTIONS", "sitename", "example"));
    EXPECT_TRUE(profile.write("OPTIONS", "fs", "0"));
    EXPECT_FALSE(fs::exists(file()));
    EXPECT_TRUE(profile.commit());
    EXPECT_EQ(ReadFileBytes(file()), "[OPTIONS]\r\nautostart=1\r\nsitename=example\r\nfs=0\r\n");
}

TEST_F(Profile, ReplacingAValueKeepsEveryOtherByte) {
    const std::string before =
        "; settings of the widget\n"
        "\n"
        "[OTHER]\n"
        "sitename=not this one\n"
        "\n"
        "[Options]\n"
        "  SiteName =  old value  \n"
        "# a note\n"
        "fs=1\n"
        "\n";
    EXPECT_EQ(afterWrite(before, "OPTIONS", "sitename", "new"),
              "; settings of the widget\n"
              "\n"
              "[OTHER]\n"
              "sitename=not this one\n"
              "\n"
              "[Options]\n"
              "  SiteName =  new  \n"
              "# a note\n"
              "fs=1\n"
              "\n");
}

TEST_F(Profile, ReplacingAQuotedOrEmptyValue) {
    EXPECT_EQ(afterWrite("[OPTIONS]\r\npass=\"a b\"\r\n", "OPTIONS", "pass", "c"), "[OPTIONS]\r\npass=c\r\n");
    EXPECT_EQ(afterWrite("[OPTIONS]\r\npass=\r\nfs=1\r\n", "OPTIONS", "pass", "c"), "[OPTIONS]\r\npass=c\r\nfs=1\r\n");
    EXPECT_EQ(afterWrite("[OPTIONS]\r\npass=x", "OPTIONS", "pass", ""), "[OPTIONS]\r\npass=");
}

TEST_F(Profile, ANewKeyFollowsTheLastKeyLineOfItsSection) {
    EXPECT_EQ(afterWrite("[OPTIONS]\nup=1\n; about OTHER\n\n[OTHER]\nx=1\n", "options", "fs", "0"),
              "[OPTIONS]\nup=1\nfs=0\n; about OTHER\n\n[OTHER]\nx=1\n");
    EXPECT_EQ(afterWrite("[OPTIONS]\n\n\n[OTHER]\n", "OPTIONS", "fs", "0"), "[OPTIONS]\nfs=0\n\n\n[OTHER]\n");
    // The first of two sections of the same name takes it, and the reading agrees.
    EXPECT_EQ(afterWrite("[OPTIONS]\nup=1\n[OPTIONS]\nfs=1\n", "OPTIONS", "fs", "0"),
              "[OPTIONS]\nup=1\nfs=0\n[OPTIONS]\nfs=1\n");
    EXPECT_EQ(read("fs"), "0");
}

TEST_F(Profile, AMissingSectionIsAppendedWithTheFilesLineEnd) {
    EXPECT_EQ(afterWrite("[OTHER]\nx=1\n", "OPTIONS", "fs", "0"), "[OTHER]\nx=1\n[OPTIONS]\nfs=0\n");
    EXPECT_EQ(afterWrite("[OTHER]\r\nx=1", "OPTIONS", "fs", "0"), "[OTHER]\r\nx=1\r\n[OPTIONS]\r\nfs=0\r\n");
    EXPECT_EQ(afterWrite("", "OPTIONS", "fs", "0"), "[OPTIONS]\r\nfs=0\r\n");
}

TEST_F(Profile, OnlyTheFirstOfDuplicateKeysIsReplaced) {
    EXPECT_EQ(afterWrite("[OPTIONS]\nup=1\nUp=2\n", "OPTIONS", "UP", "3"), "[OPTIONS]\nup=3\nUp=2\n");
}

// The reader strips blanks and one matching pair of quotes: whatever is written must survive both.
TEST_F(Profile, EveryValueReadsBackAsWritten) {
    const std::string cyrillic = "\xCF\xF0\xE8\xE2\xE5\xF2";  // "Привет" in Windows-1251
    std::string longest(ProfileFile::kMaxValueLength - 2, 'x');
    const std::vector<std::string> values = {"a=b",
                                             "x;y",
                                             "[brackets]",
                                             "",
                                             "$0080FFFF",
                                             "-1",
                                             "trailing\\",
                                             "\"abc\"",
                                             "'abc'",
                                             "\"\"",
                                             "''",
                                             "\"\"\"",
                                             "\"a'",
                                             "\"",
                                             "\"\"abc\"\"",
                                             "  ",
                                             " lead",
                                             "trail ",
                                             "\t tab \t",
                                             " \"both\" ",
                                             "=;\"=;\"",
                                             cyrillic,
                                             "\"" + cyrillic + "\"",
                                             "\"" + longest + "\"",
                                             longest + "xx",
                                             " " + longest + " "};
    for (const std::string& value : values) {
        ASSERT_TRUE(WriteProfileString(file(), "OPTIONS", "key", value)) << value;
        EXPECT_EQ(read("key"), value) << value << " stored as " << ReadFileBytes(file());
        // Written again over itself (a save of what was loaded), it still reads back unchanged.
        ASSERT_TRUE(WriteProfileString(file(), "OPTIONS", "key", read("key")));
        EXPECT_EQ(read("key"), value) << value;
    }
    // Only the values that need it are wrapped.
    EXPECT_EQ(afterWrite("", "OPTIONS", "pass", "\"abc\""), "[OPTIONS]\r\npass=\"\"abc\"\"\r\n");
    EXPECT_EQ(afterWrite("", "OPTIONS", "pass", "\"abc"), "[OPTIONS]\r\npass=\"abc\r\n");
    EXPECT_EQ(afterWrite("", "OPTIONS", "pass", " abc"), "[OPTIONS]\r\npass=\" abc\"\r\n");
}

TEST_F(Profile, NamesAndValuesThatWouldBreakTheFileAreRefused) {
    WriteFileBytes(file(), "[OPTIONS]\nfs=1\n");
    ProfileFile profile(file());
    EXPECT_FALSE(profile.write("OPTIONS", "pass", "line\r\nfs=0"));
    EXPECT_FALSE(profile.write("OPTIONS", "pass", std::string_view("a\0b", 3)));
    EXPECT_FALSE(profile.write("OPTIONS", "fs=0", "x"));
    EXPECT_FALSE(profile.write("OPTIONS", "[OTHER]", "x"));
    EXPECT_FALSE(profile.write("OPTIONS", "", "x"));
    EXPECT_FALSE(profile.write("OPTIONS", " fs", "x"));
    EXPECT_FALSE(profile.write("OPT\nIONS", "fs", "x"));
    EXPECT_FALSE(profile.write("", "fs", "x"));
    EXPECT_EQ(profile.text(), "[OPTIONS]\nfs=1\n");
}

// --- Failures leave the file as it was -----------------------------------------------------------------------------

TEST_F(Profile, AReadOnlyFileIsAFailedWriteEvenForRoot) {
    WriteFileBytes(file(), "[OPTIONS]\nfs=1\n");
    fs::permissions(file(), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_FALSE(WriteProfileString(file(), "OPTIONS", "fs", "0"));
    EXPECT_EQ(ReadFileBytes(file()), "[OPTIONS]\nfs=1\n");
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"config.ini"});
}

TEST_F(Profile, AMissingFolderOrAFolderInPlaceOfTheFileIsAFailedWrite) {
    EXPECT_FALSE(WriteProfileString(m_dir.file("missing") / "config.ini", "OPTIONS", "fs", "0"));
    fs::create_directory(file());
    EXPECT_EQ(read("fs"), "<default>");
    EXPECT_FALSE(WriteProfileString(file(), "OPTIONS", "fs", "0"));
    EXPECT_TRUE(fs::is_directory(file()));
}

TEST_F(Profile, ABatchReachesTheFileOnlyAtCommitAndAFailedCommitChangesNothing) {
    WriteFileBytes(file(), "[OPTIONS]\nfs=1\n");
    ProfileFile profile(file());
    ASSERT_TRUE(profile.write("OPTIONS", "fs", "0"));
    ASSERT_TRUE(profile.write("OPTIONS", "up", "2"));
    EXPECT_EQ(ReadFileBytes(file()), "[OPTIONS]\nfs=1\n");
    fs::permissions(file(), fs::perms::owner_read);
    EXPECT_FALSE(profile.commit());
    EXPECT_EQ(ReadFileBytes(file()), "[OPTIONS]\nfs=1\n");
    fs::permissions(file(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(profile.commit());
    EXPECT_EQ(ReadFileBytes(file()), "[OPTIONS]\nfs=0\nup=2\n");
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"config.ini"});
}

// --- Odd and large files -------------------------------------------------------------------------------------------

TEST_F(Profile, MegabyteLinesAndNoFinalLineEnd) {
    const std::string mebibyte(1 << 20, 'x');
    const std::string blanks(1 << 20, ' ');
    const std::string before = "; " + mebibyte + "\n" + blanks + "\n[OTHER]\nv=" + mebibyte + "\n[" + mebibyte +
                               "\n[OPTIONS]\nsitename=" + mebibyte + "\nfs=1";
    WriteFileBytes(file(), before);
    EXPECT_EQ(read("sitename"), mebibyte.substr(0, 2047));
    EXPECT_EQ(afterWrite(before, "OPTIONS", "up", "2"), before + "\nup=2\n");
}

TEST_F(Profile, AFiftyMebibyteFileIsReadAndWrittenInLinearTime) {
    std::string before = "[BIG]\n";
    while (before.size() < (std::size_t{50} << 20)) {
        before += "key" + std::to_string(before.size()) + "=some value of the big section\n";
    }
    before += "[OPTIONS]\nfs=1\n";
    WriteFileBytes(file(), before);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(read("fs"), "1");
    EXPECT_EQ(read("missing"), "<default>");
    ProfileFile profile(file());
    for (const char* key : {"autostart", "sitename", "sitehttp", "lindx", "pass", "color", "fs"}) {
        ASSERT_TRUE(profile.write("OPTIONS", key, "0"));
    }
    ASSERT_TRUE(profile.commit());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // A pass that went back over the lines for each line would take hours here; linear takes well under a second.
    EXPECT_LT(elapsed, std::chrono::seconds(60));
    const std::string after = ReadFileBytes(file());
    EXPECT_EQ(after.substr(0, before.size() - 5), before.substr(0, before.size() - 5));
    EXPECT_EQ(after.substr(before.size() - 5), "fs=0\nautostart=0\nsitename=0\nsitehttp=0\nlindx=0\npass=0\ncolor=0\n");
}

// Whatever the file holds, a write changes the key it names and no other key's reading.
TEST_F(Profile, RandomFilesKeepEveryOtherKeyThroughAWrite) {
    std::mt19937 random(20240607);
    constexpr char kAlphabet[] = "[]=; \t\r\n\n\n\0\xEF\xBB\xBF\"'aAbBkK";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
    const std::vector<std::string> sections = {"A", "a", "B"};
    const std::vector<std::string> keys = {"k", "K", "b", "ab"};
    for (int round = 0; round < 500; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 200);
        for (int i = 0; i < length; ++i) {
            text += alphabet[random() % alphabet.size()];
        }
        WriteFileBytes(file(), text);
        ProfileFile original(file());
        ProfileFile changed(file());
        const std::string& section = sections[random() % sections.size()];
        const std::string& key = keys[random() % keys.size()];
        ASSERT_TRUE(changed.write(section, key, "new value"));
        for (const auto& s : sections) {
            for (const auto& k : keys) {
                const bool same = EqualIgnoringAsciiCase(s, section) && EqualIgnoringAsciiCase(k, key);
                EXPECT_EQ(changed.read(s, k, "-"), same ? "new value" : original.read(s, k, "-"))
                    << "file: " << testing::PrintToString(text) << " write " << section << "/" << key;
            }
        }
    }
}

}  // namespace
}  // namespace plimo
