// The desktop's "open" on systems with xdg-open; Windows hands the text to the shell instead.
#if !defined(_WIN32)

#include "platform/ansi_codepage.h"
#include "platform/shell.h"

#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "temp_dir.h"
#include "time_scale.h"

namespace plimo {
namespace {

namespace fs = std::filesystem;
using namespace test;

// Puts a recording xdg-open first in PATH: it writes its arguments, one per line after their count, and where its
// standard streams lead, then renames the record into place so that a test never reads half of it.
class OpenAddressTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path script = m_dir.file("xdg-open");
        WriteFileBytes(script,
                       "#!/bin/sh\n"
                       "out=\"$(dirname \"$0\")/record\"\n"
                       "streams=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\n"
                       "{ echo \"$#\"; for a in \"$@\"; do echo \"[$a]\"; done; echo \"$streams\"; } > \"$out.part\"\n"
                       "mv \"$out.part\" \"$out\"\n"
                       "echo \"$1\" >> \"$(dirname \"$0\")/calls\"\n");
        fs::permissions(script, fs::perms::owner_all);
        const char* path = std::getenv("PATH");
        m_oldPath = path != nullptr ? path : "";
        ::setenv("PATH", (m_dir.path().string() + ":" + m_oldPath).c_str(), 1);
    }
    void TearDown() override { ::setenv("PATH", m_oldPath.c_str(), 1); }

    // The record, once the script has finished; empty after five seconds (longer in slow builds) without one.
    std::string record() const {
        const auto deadline = std::chrono::steady_clock::now() + test::Scaled(std::chrono::seconds(5));
        while (!fs::exists(m_dir.file("record")) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return ReadFileBytes(m_dir.file("record"));
    }

    TempDir m_dir;
    std::string m_oldPath;
};

// Children of this process that have ended but were never waited for.
int zombieChildren() {
    int count = 0;
    DIR* proc = ::opendir("/proc");
    while (dirent* entry = proc != nullptr ? ::readdir(proc) : nullptr) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) {
            continue;
        }
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        char state = 0;
        long parent = 0;
        fields >> state >> parent;
        count += (state == 'Z' && parent == ::getpid()) ? 1 : 0;
    }
    if (proc != nullptr) {
        ::closedir(proc);
    }
    return count;
}

// Only web addresses reach the handler (it runs what a bare name or a file address names); each as one unchanged
// argument, in UTF-8 (a browser given the ANSI bytes of a Cyrillic address would get invalid UTF-8), with quiet
// streams. The rest, and a desktop without any handler, are dropped without a word, and nothing is waited for.
TEST_F(OpenAddressTest, OnlyWebAddressesReachTheHandlerAsOneUtf8Argument) {
    const struct {
        std::string address;
        const char* received;  // nullptr: the handler is not started
    } cases[] = {{"", nullptr},
                 {"mysite.com", nullptr},
                 {"file:///etc/passwd", nullptr},
                 {"/usr/bin/xterm", nullptr},
                 {"javascript:alert(1)", nullptr},
                 {"http://example.com/a b?x=1&y='2' \"3\"", "http://example.com/a b?x=1&y='2' \"3\""},
                 {WideToAnsi(u"http://пример.рф/Ёж?q=ё"), "http://пример.рф/Ёж?q=ё"},
                 {"HTTPS://example.com/", "HTTPS://example.com/"}};
    std::string calls;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        fs::remove(m_dir.file("record"));
        const auto start = std::chrono::steady_clock::now();
        OpenAddress(0, c.address);
        EXPECT_LT(std::chrono::steady_clock::now() - start, test::Scaled(std::chrono::seconds(1)));
        if (c.received != nullptr) {
            EXPECT_EQ(record(), "1\n[" + std::string(c.received) + "]\n/dev/null\n/dev/null\n/dev/null\n");
            calls += std::string(c.received) + "\n";
        }
    }
    // Long enough for a handler started for one of the others to have written its line.
    std::this_thread::sleep_for(test::Scaled(std::chrono::milliseconds(300)));
    EXPECT_EQ(ReadFileBytes(m_dir.file("calls")), calls);

    ::setenv("PATH", m_dir.file("empty").c_str(), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NO_THROW(OpenAddress(0, "http://example.com/"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, test::Scaled(std::chrono::seconds(1)));

    // Every finished handler, and the failed start, is reaped: no zombie is left.
    const auto deadline = std::chrono::steady_clock::now() + test::Scaled(std::chrono::seconds(5));
    while (zombieChildren() > 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(zombieChildren(), 0);
}

}  // namespace
}  // namespace plimo

#endif
