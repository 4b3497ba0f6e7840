#include "platform/module_path.h"

#include <gtest/gtest.h>

namespace plimo {
namespace {

TEST(ModulePath, NamesThisTestProgramAndItsFolder) {
    const std::filesystem::path path = ModulePath();
    EXPECT_TRUE(path.is_absolute()) << path;
    EXPECT_EQ(path.stem(), "platform_tests");
    EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
    EXPECT_EQ(ModuleDirectory(), path.parent_path());
    EXPECT_TRUE(std::filesystem::is_directory(ModuleDirectory()));
}

}  // namespace
}  // namespace plimo
