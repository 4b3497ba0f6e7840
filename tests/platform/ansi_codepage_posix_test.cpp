#include "platform/ansi_codepage_posix.h"

#include "platform/ansi_codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace plimo {
namespace {

// The code page a test run chooses is the one every conversion then uses; one it cannot give changes nothing.
TEST(AnsiCodePageOffWindows, TheChosenCodePageIsTheOneUsed) {
    const bool western = AnsiToWide("\x80") == u"\u20AC";
    ASSERT_TRUE(ChooseAnsiCodePage(1252));
    EXPECT_EQ(WideToAnsi(u"\u00E9\u20AC\u0416"), "\xE9\x80?");
    std::string appended = "a";
    AppendWideToAnsi(appended, u"\u00E9");
    EXPECT_EQ(appended, "a\xE9");
    EXPECT_FALSE(ChooseAnsiCodePage(866));
    EXPECT_FALSE(ChooseAnsiCodePage(65001));
    EXPECT_EQ(AnsiToWide("\xE9"), u"\u00E9");
    ASSERT_TRUE(ChooseAnsiCodePage(1251));
    EXPECT_EQ(WideToAnsi(u"\u00E9\u20AC\u0416"), "?\x88\xC6");
    ChooseAnsiCodePage(western ? 1252 : 1251);
}

}  // namespace
}  // namespace plimo
