#include "update/version_text.h"

#include <cstdint>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "settings/colour_text.h"

namespace plimo {
namespace {

// Of a version text only what stands before the first point and the one character after it count, read as an
// integer (hexadecimal after "$", as every integer the program reads); this program, 1.0, is 10.
TEST(VersionNumber, OnlyTheCharacterAfterThePointCountsAndOnlyAGreaterNumberIsNewer) {
    const struct {
        std::string text;
        std::string numberText;
        std::optional<std::int32_t> number;  // none: the conversion error
        bool newer;
    } cases[] = {{"1.1", "11", 11, true},
                 {"2.0", "20", 20, true},
                 {"12.3", "123", 123, true},
                 {"2.05", "20", 20, true},
                 {"1.10", "11", 11, true},
                 {"1.2.3", "12", 12, true},
                 {"$A.1", "$A1", 0xA1, true},
                 {"1.0", "10", 10, false},
                 {"1.05", "10", 10, false},
                 {"0.9", "09", 9, false},
                 {"10", "1", 1, false},
                 {".5", "5", 5, false},
                 {"1.", "1", 1, false},
                 {"1.x", "1x", std::nullopt, false},
                 {".", "", std::nullopt, false},
                 {"", "", std::nullopt, false},
                 {"x", "x", std::nullopt, false},
                 {"v1.1", "v11", std::nullopt, false},
                 {"<html>", "<", std::nullopt, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE('"' + c.text + '"');
        EXPECT_EQ(VersionNumberText(c.text), c.numberText);
        if (c.number) {
            EXPECT_EQ(VersionNumber(c.text), *c.number);
        } else {
            EXPECT_THROW(VersionNumber(c.text), EConvertError);
        }
        EXPECT_EQ(IsNewerVersion(c.text), c.newer);
    }
}

}  // namespace
}  // namespace plimo
