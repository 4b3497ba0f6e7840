// The settings file reader against the system's own GetPrivateProfileStringA, on files that editors, users and
// other programs leave behind: Windows must read config.ini as the program does, and the other way round.
#include "platform/profile.h"

#include <windows.h>

#include <aclapi.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace plimo {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFileBytes;

// The settings read with a buffer of 2048 characters, which is where the 2047-character cut comes from.
constexpr DWORD kSettingsBuffer = 2048;

std::string SystemRead(const fs::path& file, const std::string& section, const std::string& key,
                       const std::string& fallback) {
    std::string buffer(kSettingsBuffer, '\0');
    const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                                  kSettingsBuffer, file.string().c_str());
    buffer.resize(length);
    return buffer;
}

struct Query {
    std::string section;
    std::string key;
};

struct FileCase {
    const char* what;
    std::string text;
    std::vector<Query> queries;
};

std::string Repeated(std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += static_cast<char>('a' + i % 26);
    }
    return text;
}

// Left out, where Wine's reader differs and Windows' own behaviour is not known to follow it: a lone CR as a line
// end, UTF-8 and UTF-16 text after a byte order mark, Ctrl-Z as a blank, blanks around the names asked for,
// keys before the first section, a key line without "=" hiding a later one of the same name.
class ProfileAgainstSystem : public ::testing::Test {
protected:
    // Every case gets a file of its own: the system keeps recently read files in a cache.
    fs::path newFile() { return m_dir.file("case" + std::to_string(m_files++) + ".ini"); }

    void expectAgreement(const FileCase& c) {
        const fs::path file = newFile();
        WriteFileBytes(file, c.text);
        for (const Query& q : c.queries) {
            for (const std::string fallback : {"<default>", ""}) {
                EXPECT_EQ(ReadProfileString(file, q.section, q.key, fallback),
                          SystemRead(file, q.section, q.key, fallback))
                    << c.what << ": [" << q.section << "] " << q.key << " in " << testing::PrintToString(c.text);
            }
        }
    }

    TempDir m_dir;
    int m_files = 0;
};

TEST_F(ProfileAgainstSystem, NamesMatchWithoutRegardToCaseAndBlanksAreDropped) {
    expectAgreement({"case", "[Options]\r\nSiteName=x\r\nPASS=y\r\n", {{"OPTIONS", "sitename"}, {"options", "pass"}}});
    expectAgreement({"blanks around everything",
                     "  [ OPTIONS ]  \r\n  sitename  =  \t my site \t \r\n\tfs\t=\t0\t\r\n",
                     {{"OPTIONS", "sitename"}, {"OPTIONS", "fs"}}});
    expectAgreement({"blanks inside names", "[my options]\r\nsite name = a b \r\n", {{"my options", "site name"}}});
    expectAgreement(
        {"LF and doubled CR line ends", "[OPTIONS]\nfs=0\r\r\nup=1\n", {{"OPTIONS", "fs"}, {"OPTIONS", "up"}}});
}

TEST_F(ProfileAgainstSystem, QuotesEmptyValuesAndAbsentNames) {
    expectAgreement({"quotes",
                     "[OPTIONS]\n"
                     "a=\"two words\"\n"
                     "b=' inner blanks stay '\n"
                     "c=\"mismatched'\n"
                     "d=\"\n"
                     "e=\"\"\n"
                     "f=\"\"nested\"\"\n"
                     "g=  \"padded\"  \n"
                     "h=say \"hi\"\n"
                     "i='\n",
                     {{"OPTIONS", "a"},
                      {"OPTIONS", "b"},
                      {"OPTIONS", "c"},
                      {"OPTIONS", "d"},
                      {"OPTIONS", "e"},
                      {"OPTIONS", "f"},
                      {"OPTIONS", "g"},
                      {"OPTIONS", "h"},
                      {"OPTIONS", "i"}}});
    expectAgreement({"empty values and absent names",
                     "[OTHER]\nfs=0\n[OPTIONS]\nsitename=\nblend=   \n",
                     {{"OPTIONS", "sitename"}, {"OPTIONS", "blend"}, {"OPTIONS", "fs"}, {"MISSING", "sitename"}}});
    EXPECT_EQ(ReadProfileString(m_dir.file("absent.ini"), "OPTIONS", "fs", "1 "),
              SystemRead(m_dir.file("absent.ini"), "OPTIONS", "fs", "1 "));
}

TEST_F(ProfileAgainstSystem, DuplicatesLinesWithoutEqualsSignsAndOddLines) {
    expectAgreement({"duplicates",
                     "[OPTIONS]\nup=1\nUP=2\n[other]\n[options]\nup=3\nfs=0\n",
                     {{"OPTIONS", "up"}, {"OPTIONS", "fs"}, {"other", "up"}}});
    expectAgreement({"lines without =",
                     "[OPTIONS]\nsitename\npass = real = value\n[broken\nfs=0\n",
                     {{"OPTIONS", "sitename"}, {"OPTIONS", "pass"}, {"OPTIONS", "fs"}, {"OPTIONS", "[broken"}}});
    expectAgreement({"keys before any section and notes after a header",
                     "fs=before any section\n[OTHER]\nfs=other\n[OPTIONS] ; trailing note\nup=2\n",
                     {{"OPTIONS", "fs"}, {"OPTIONS", "up"}, {"OTHER", "fs"}}});
    expectAgreement({"comment-like lines",
                     "[OPTIONS]\n; pass=commented\n#fs=1\n",
                     {{"OPTIONS", "pass"}, {"OPTIONS", "fs"}, {"OPTIONS", "; pass"}, {"OPTIONS", "#fs"}}});
}

TEST_F(ProfileAgainstSystem, ByteOrderMarkNulBytesAndAnsiBytes) {
    expectAgreement({"UTF-8 byte order mark", "\xEF\xBB\xBF[OPTIONS]\r\nfs=0\r\n", {{"OPTIONS", "fs"}}});
    expectAgreement({"NUL bytes",
                     std::string("[OPTIONS]\n\0junk\nsitename=ab\0cd\nfs=0", 35),
                     {{"OPTIONS", "sitename"}, {"OPTIONS", "fs"}}});
    expectAgreement(
        {"ANSI bytes", "[OPTIONS]\r\nsitename=\xcf\xf0\xe8\xe2\xe5\xf2 \xff\x80\r\n", {{"OPTIONS", "sitename"}}});
}

TEST_F(ProfileAgainstSystem, LongValuesAreCutTo2047Characters) {
    const std::string value = Repeated(3000);
    expectAgreement({"long values",
                     "[OPTIONS]\nlong=" + value + "\nquoted=\"" + value + "\"\nexact=" + value.substr(0, 2047) +
                         "\nover=" + value.substr(0, 2048) + "\n",
                     {{"OPTIONS", "long"}, {"OPTIONS", "quoted"}, {"OPTIONS", "exact"}, {"OPTIONS", "over"}}});
    const fs::path file = newFile();
    EXPECT_EQ(ReadProfileString(file, "OPTIONS", "missing", value), SystemRead(file, "OPTIONS", "missing", value));
}

TEST_F(ProfileAgainstSystem, WhatTheProgramWritesTheSystemReadsBack) {
    const fs::path file = newFile();
    const std::vector<std::string> values = {
        "a=b", "x;y", "[brackets]", "", "$0080FFFF", "-1", "trailing\\", "\xcf\xf0\xe8\xe2\xe5\xf2", Repeated(2047),
        // Wrapped in one more pair of quotes, which the system strips as our reader does.
        "\"abc\"", "'abc'", "\"\"", " lead", "trail ", "\"" + Repeated(100) + "\""};
    ProfileFile profile(file);
    for (std::size_t i = 0; i < values.size(); ++i) {
        ASSERT_TRUE(profile.write("OPTIONS", "key" + std::to_string(i), values[i]));
    }
    ASSERT_TRUE(profile.commit());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(SystemRead(file, "options", "KEY" + std::to_string(i), "<default>"), values[i]) << values[i];
    }
}

TEST_F(ProfileAgainstSystem, ANewSettingsFileIsOpenToItsUserAndTheSystemOnly) {
    const fs::path file = newFile();
    // Through ProfileFile: windows.h takes the name WriteProfileString for a macro.
    ProfileFile profile(file);
    ASSERT_TRUE(profile.write("OPTIONS", "pass", "secret") && profile.commit());
    EXPECT_EQ(GetFileAttributesW(file.wstring().c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(file.wstring().c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    &acl, nullptr, &descriptor),
              ERROR_SUCCESS);
    ASSERT_NE(acl, nullptr);
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    char userBuffer[256];
    DWORD size = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, userBuffer, sizeof userBuffer, &size));
    CloseHandle(token);
    const PSID user = reinterpret_cast<TOKEN_USER*>(userBuffer)->User.Sid;
    BYTE systemSid[SECURITY_MAX_SID_SIZE];
    size = sizeof systemSid;
    ASSERT_TRUE(CreateWellKnownSid(WinLocalSystemSid, nullptr, systemSid, &size));

    bool userHasFullAccess = false;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        ASSERT_TRUE(GetAce(acl, i, reinterpret_cast<void**>(&header)));
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            continue;
        }
        auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        const PSID sid = &ace->SidStart;
        if (EqualSid(sid, user)) {
            userHasFullAccess = (ace->Mask & FILE_ALL_ACCESS) == FILE_ALL_ACCESS;
        } else {
            EXPECT_TRUE(EqualSid(sid, systemSid)) << "access allowed to another account";
        }
    }
    EXPECT_TRUE(userHasFullAccess);
    LocalFree(descriptor);
    EXPECT_TRUE(profile.write("OPTIONS", "pass", "changed") && profile.commit());
}

}  // namespace
}  // namespace plimo
