#include "update/version_text.h"

#include <string>

#include <gtest/gtest.h>

namespace plimo {
namespace {

struct VersionCase {
    std::string text;
    std::string number;
};

TEST(VersionNumberText, OnlyTheCharacterAfterThePointCounts) {
    const VersionCase cases[] = {
        {"1.1", "11"}, {"1.0", "10"},   {"1.05", "10"},  {"2.0", "20"},   {"0.9", "09"}, {"10", "1"},
        {"1.x", "1x"}, {"12.3", "123"}, {"2.05", "20"},  {"1.10", "11"},  {".", ""},     {"", ""},
        {".5", "5"},   {"1.", "1"},     {"1.2.3", "12"}, {"$A.1", "$A1"}, {"x", "x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VersionNumberText(c.text), c.number) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace plimo
