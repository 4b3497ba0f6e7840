#include "update/version_text.h"

#include <string>

#include <gtest/gtest.h>

#include "settings/colour_text.h"

namespace plimo {
namespace {

TEST(VersionNumber, ReadsTheNumberTextAsAnInteger) {
    EXPECT_EQ(VersionNumber("1.1"), 11);
    EXPECT_EQ(VersionNumber("1.0"), 10);
    EXPECT_EQ(VersionNumber("1.05"), 10);
    EXPECT_EQ(VersionNumber("0.9"), 9);
    EXPECT_EQ(VersionNumber("10"), 1);
    EXPECT_EQ(VersionNumber("12.3"), 123);
}

TEST(VersionNumber, TextsThatGiveNoIntegerFailWithTheConversionError) {
    for (const std::string text : {"1.x", ".", "", "x", "v1.1"}) {
        EXPECT_THROW(VersionNumber(text), EConvertError) << '"' << text << '"';
    }
}

TEST(IsNewerVersion, OnlyAGreaterNumberIsNewer) {
    EXPECT_TRUE(IsNewerVersion("1.1"));
    EXPECT_TRUE(IsNewerVersion("2.0"));
    EXPECT_TRUE(IsNewerVersion("12.3"));
    EXPECT_FALSE(IsNewerVersion("1.0"));
    EXPECT_FALSE(IsNewerVersion("1.05"));
    EXPECT_FALSE(IsNewerVersion("0.9"));
    EXPECT_FALSE(IsNewerVersion("10"));
    EXPECT_FALSE(IsNewerVersion("1.x"));
    EXPECT_FALSE(IsNewerVersion(""));
    EXPECT_FALSE(IsNewerVersion("<html>"));
}

}  // namespace
}  // namespace plimo
