#include "settings/update_interval.h"

#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace plimo {
namespace {

TEST(UpdateInterval, TheFiveChoicesAndFiveMinutesForEveryOtherIndex) {
    EXPECT_EQ(UpdateIntervalForIndex(0), 30000u);
    EXPECT_EQ(UpdateIntervalForIndex(1), 60000u);
    EXPECT_EQ(UpdateIntervalForIndex(2), 300000u);
    EXPECT_EQ(UpdateIntervalForIndex(3), 1800000u);
    EXPECT_EQ(UpdateIntervalForIndex(4), 3600000u);
    for (const std::int32_t index :
         {5, 7, -1, -5, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}) {
        EXPECT_EQ(UpdateIntervalForIndex(index), 300000u) << index;
    }
}

std::string utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

TEST(UpdateInterval, ItemTextsAreTheRussianNamesInUtf8) {
    const auto& texts = IntervalItemTexts();
    EXPECT_EQ(texts[0], utf8(u8"30 секунд"));
    EXPECT_EQ(texts[1], utf8(u8"1 минута"));
    EXPECT_EQ(texts[2], utf8(u8"5 минут"));
    EXPECT_EQ(texts[3], utf8(u8"30 минут"));
    EXPECT_EQ(texts[4], utf8(u8"1 час"));
}

}  // namespace
}  // namespace plimo
