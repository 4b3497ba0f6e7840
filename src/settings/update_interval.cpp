#include "settings/update_interval.h"

namespace plimo {

std::uint32_t UpdateIntervalForIndex(std::int32_t index) {
    static constexpr std::array<std::uint32_t, 5> kIntervals = {30000, 60000, 300000, 1800000, 3600000};
    // Compared unsigned, so negative indexes land outside the table as well.
    const auto slot = static_cast<std::uint32_t>(index);
    return slot < kIntervals.size() ? kIntervals[slot] : kDefaultUpdateInterval;
}

const std::array<std::string_view, 5>& IntervalItemTexts() {
    // UTF-8 bytes, whatever the compiler's execution character set.
    static constexpr std::array<std::string_view, 5> kTexts = {
        "30 \xD1\x81\xD0\xB5\xD0\xBA\xD1\x83\xD0\xBD\xD0\xB4",  // 30 секунд
        "1 \xD0\xBC\xD0\xB8\xD0\xBD\xD1\x83\xD1\x82\xD0\xB0",   // 1 минута
        "5 \xD0\xBC\xD0\xB8\xD0\xBD\xD1\x83\xD1\x82",           // 5 минут
        "30 \xD0\xBC\xD0\xB8\xD0\xBD\xD1\x83\xD1\x82",          // 30 минут
        "1 \xD1\x87\xD0\xB0\xD1\x81",                           // 1 час
    };
    return kTexts;
}

}  // namespace plimo
