#include "platform/profile.h"
#include "settings/settings_keys.h"
#include "settings_rounds.h"
#include "temp_dir.h"
#include "time_scale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace plimo {
namespace {

namespace fs = std::filesystem;
using namespace test;

// Kills fall at random moments up to this long after a writer is ready: several saves' time (longer in slow builds).
constexpr int kMostDelayMicroseconds = 10000 * kTimeScale;
// Each test checks its property after at least this many kills, and goes on, up to its budget, until the kills
// have fallen in every place it must have seen: how many that takes depends on the disk's speed, not on luck.
constexpr int kBudgetFactor = 10;

// The round a whole settings file was written in; -1 for anything else (empty, torn, a mix of two rounds).
long WholeRound(const std::string& text) {
    const std::string head = "[OPTIONS]\r\n";
    if (text.compare(0, head.size(), head) != 0) {
        return -1;
    }
    const long round = std::strtol(text.c_str() + text.find('=') + 1, nullptr, 10);
    std::string expected = head;
    for (const std::string_view key : kRoundKeys) {
        expected += std::string(key) + "=" + RoundValue(round, key) + "\r\n";
    }
    return text == expected ? round : -1;
}

std::vector<std::string> OtherEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename() != "config.ini") {
            names.push_back(entry.path().filename().string());
        }
    }
    return names;
}

// Starts the writer and waits until it runs; -1 when it does not start.
pid_t StartWriter(const fs::path& file, long firstRound) {
    int ready[2];
    if (::pipe(ready) != 0) {
        return -1;
    }
    std::string program = PLIMO_PROFILE_WRITER;
    std::string path = file.string();
    std::string round = std::to_string(firstRound);
    char* const arguments[] = {program.data(), path.data(), round.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ready[1], 1);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ready[1]);
    char byte = 0;
    const bool started = spawned == 0 && ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    return started ? pid : -1;
}

// A save killed at any moment leaves the settings file whole, old or new, and at most one temporary file, which
// the next save takes over.
TEST(InterruptedSave, AKilledSaveLeavesTheOldFileOrTheNewOneNeverAMix) {
    TempDir folder;
    const fs::path config = folder.file("config.ini");
    {
        ProfileFile first(config);
        for (const std::string_view key : kRoundKeys) {
            ASSERT_TRUE(first.write("OPTIONS", key, RoundValue(0, key)));
        }
        ASSERT_TRUE(first.commit());
    }
    ASSERT_EQ(WholeRound(ReadFileBytes(config)), 0);

    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> delayMicroseconds(0, kMostDelayMicroseconds);
    long round = 0;
    int killedMidWrite = 0;
    int rounds = 0;
    constexpr int kKills = 250;
    for (int kill = 0; kill < kKills || ((rounds == 0 || killedMidWrite == 0) && kill < kBudgetFactor * kKills);
         ++kill) {
        const pid_t pid = StartWriter(config, round + 1);
        ASSERT_GT(pid, 0);
        ::usleep(static_cast<useconds_t>(delayMicroseconds(random)));
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself with status " << status;

        const long now = WholeRound(ReadFileBytes(config));
        ASSERT_GE(now, round) << "after kill " << kill << ", the file is not a whole round, or an older one";
        rounds += static_cast<int>(now - round);
        round = now;
        const std::vector<std::string> others = OtherEntries(folder.path());
        ASSERT_LE(others.size(), 1u) << "after kill " << kill;
        if (!others.empty()) {
            EXPECT_EQ(others.front(), ".config.ini.tmp");
            ++killedMidWrite;
        }
    }
    // The kills must have fallen both between saves and inside them, or the test proved nothing.
    EXPECT_GT(rounds, 0);
    EXPECT_GT(killedMidWrite, 0);

    ProfileFile last(config);
    ASSERT_TRUE(last.write("OPTIONS", NameOf(SettingsKey::fs), "0"));
    ASSERT_TRUE(last.commit());
    EXPECT_TRUE(OtherEntries(folder.path()).empty());
}

// Two programs saving the same file at once (two copies started by hand, a save at log-off racing a second copy)
// take turns; killed at any moment, they leave one whole save and at most one temporary file.
TEST(InterruptedSave, TwoWritersAtOnceKilledAtRandomLeaveOneWholeSave) {
    TempDir folder;
    const fs::path config = folder.file("config.ini");
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> delayMicroseconds(0, kMostDelayMicroseconds);
    std::uniform_int_distribution<int> coin(0, 1);
    std::vector<long> seen;
    const auto bothSaved = [&seen] {
        return std::any_of(seen.begin(), seen.end(), [](long round) { return round < 1000000; }) &&
               std::any_of(seen.begin(), seen.end(), [](long round) { return round >= 1000000; });
    };
    constexpr int kKills = 100;
    for (int kill = 0; kill < kKills || (!bothSaved() && kill < kBudgetFactor * kKills); ++kill) {
        // Started in either order, so that each gets to save first now and then.
        const bool lowFirst = coin(random) != 0;
        const pid_t first = StartWriter(config, lowFirst ? 1 : 1000000);
        const pid_t second = StartWriter(config, lowFirst ? 1000000 : 1);
        ASSERT_GT(first, 0);
        ASSERT_GT(second, 0);
        ::usleep(static_cast<useconds_t>(delayMicroseconds(random)));
        // Either may die first, and the other a moment later, in the middle of its own save or waiting its turn.
        const pid_t earlier = coin(random) != 0 ? first : second;
        const pid_t later = earlier == first ? second : first;
        ASSERT_EQ(::kill(earlier, SIGKILL), 0);
        ::usleep(static_cast<useconds_t>(delayMicroseconds(random) / 4));
        ASSERT_EQ(::kill(later, SIGKILL), 0);
        for (const pid_t pid : {first, second}) {
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        }

        if (fs::exists(config)) {
            const long round = WholeRound(ReadFileBytes(config));
            ASSERT_GE(round, 0) << "after kill " << kill << ", the file is not one whole save";
            seen.push_back(round);
        }
        const std::vector<std::string> others = OtherEntries(folder.path());
        ASSERT_LE(others.size(), 1u) << "after kill " << kill;
        if (!others.empty()) {
            EXPECT_EQ(others.front(), ".config.ini.tmp");
        }
    }
    // Both writers must have got their saves in, or the test proved nothing about two at once.
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](long round) { return round < 1000000; }));
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](long round) { return round >= 1000000; }));
}

}  // namespace
}  // namespace plimo
