#include "platform/atomic_file.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace plimo {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;

// Two saves that both find no file and both create one (two copies of the program started at once, say): the
// second move into place once failed because the first had just made the name exist.
TEST(ReplaceFileContents, TwoSavesRacingToCreateTheFileBothSucceed) {
    TempDir dir;
    const std::string first(4096, '1');
    const std::string second(4096, '2');
    for (int round = 0; round < 40; ++round) {
        const fs::path file = dir.file("config" + std::to_string(round) + ".ini");
        // Both threads spin until both are there, so that their saves start as close together as can be.
        std::atomic<int> ready = 0;
        bool firstSaved = false;
        bool secondSaved = false;
        auto save = [&](const std::string& bytes, bool& saved) {
            ready.fetch_add(1);
            while (ready.load() < 2) {
                std::this_thread::yield();
            }
            saved = ReplaceFileContents(file, bytes, NewFileReaders::OwnerOnly);
        };
        std::thread a(save, std::cref(first), std::ref(firstSaved));
        std::thread b(save, std::cref(second), std::ref(secondSaved));
        a.join();
        b.join();
        EXPECT_TRUE(firstSaved) << "round " << round;
        EXPECT_TRUE(secondSaved) << "round " << round;
        const std::string content = ReadFileBytes(file);
        EXPECT_TRUE(content == first || content == second) << "round " << round;
        // Neither save leaves its temporary file behind.
        std::size_t files = 0;
        for ([[maybe_unused]] const fs::directory_entry& entry : fs::directory_iterator(dir.path())) {
            ++files;
        }
        EXPECT_EQ(files, static_cast<std::size_t>(round + 1)) << "round " << round;
    }
}

}  // namespace
}  // namespace plimo
