#include "platform/windows1251.h"

#include <gtest/gtest.h>

#include <string>

#include "ansi_code_page.h"
#include "platform/ansi_codepage.h"
#include "windows1251_table.h"

namespace plimo {
namespace {

TEST(Windows1251, EveryByteMapsToItsCharacterAndBack) {
    std::string everyByte;
    std::u16string characters;
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << b);
        EXPECT_EQ(Windows1251ToWide(byte), test::Windows1251Character(byte));
        EXPECT_EQ(WideToWindows1251(test::Windows1251Character(byte)), static_cast<char>(byte));
        everyByte += static_cast<char>(byte);
        characters += test::Windows1251Character(byte);
    }
    EXPECT_EQ(Windows1251ToWide(everyByte), characters);
    EXPECT_EQ(WideToWindows1251(characters), everyByte);
}

// No look-alikes: a character outside the code page is a '?', whether it comes alone or in a long text.
TEST(Windows1251, EveryOtherCharacterBecomesAQuestionMark) {
    std::u16string everyUnit;
    std::string expected;
    for (unsigned u = 0; u < 0x10000; ++u) {
        const auto unit = static_cast<char16_t>(u);
        ASSERT_EQ(WideToWindows1251(unit), test::Windows1251Byte(unit)) << "unit U+" << std::hex << u;
        // Surrogates are left to the tests of pairs: two in a row would make one character.
        if (unit < 0xD800 || unit > 0xDFFF) {
            everyUnit += unit;
            expected += test::Windows1251Byte(unit);
        }
    }
    EXPECT_EQ(WideToWindows1251(everyUnit), expected);
}

TEST(Windows1251, SurrogatesBecomeOneQuestionMarkPerCharacter) {
    // A pair is one character outside the code page; a surrogate on its own is one as well.
    EXPECT_EQ(WideToWindows1251(u"x\U0001F600y"), "x?y");
    EXPECT_EQ(WideToWindows1251(std::u16string{u'\xD83D'}), "?");
    EXPECT_EQ(WideToWindows1251(std::u16string{u'\xDE00', u'\xD83D'}), "??");
    EXPECT_EQ(WideToWindows1251(std::u16string{u'\xD83D', u'a', u'\xDE00'}), "?a?");
    EXPECT_EQ(WideToWindows1251(std::u16string{u'\xD83D', u'\xD83D', u'\xDE00'}), "??");
}

TEST(Windows1251, SurrogatesAreFoundWhereverTheyStandInALongText) {
    // Long texts are converted in blocks; a pair must give one '?' at every offset, also across two blocks.
    for (std::size_t offset = 0; offset < 24; ++offset) {
        std::u16string wide(40, u'\u0436');  // ж
        wide.replace(offset, 2, u"\U0001F600");
        std::string expected(38, '\xE6');
        expected.insert(offset, "?");
        EXPECT_EQ(WideToWindows1251(wide), expected) << "offset " << offset;
        wide[offset + 1] = u'x';  // the high surrogate alone
        expected.insert(offset + 1, "x");
        EXPECT_EQ(WideToWindows1251(wide), expected) << "offset " << offset;
    }
}

TEST(Windows1251, AppendingKeepsWhatIsThere) {
    std::string bytes = "Memo1\r\n";
    AppendWideToWindows1251(bytes, u"Плимо");
    AppendWideToWindows1251(bytes, u"");
    AppendWideToWindows1251(bytes, u"!");
    EXPECT_EQ(bytes, "Memo1\r\n\xCF\xEB\xE8\xEC\xEE!");
}

TEST(Windows1251, EmptyTextsStayEmpty) {
    EXPECT_EQ(WideToWindows1251(std::u16string_view()), "");
    EXPECT_EQ(Windows1251ToWide(std::string_view()), u"");
}

TEST(AnsiCodePage, RussianTextAndEveryByteSurviveTheRoundTrip) {
    if (!test::AnsiCodePageIsWindows1251()) {
        GTEST_SKIP() << "the system's ANSI code page is not Windows-1251";
    }
    EXPECT_EQ(WideToAnsi(u"Плимо: 12 345 посетителей"),
              "\xCF\xEB\xE8\xEC\xEE: 12 345 \xEF\xEE\xF1\xE5\xF2\xE8\xF2\xE5\xEB\xE5\xE9");
    std::string everyByte;
    for (int b = 0; b < 256; ++b) {
        everyByte += static_cast<char>(b);
    }
    EXPECT_EQ(WideToAnsi(AnsiToWide(everyByte)), everyByte);
    EXPECT_EQ(WideToAnsi(u"\u4E2D"), "?");
}

}  // namespace
}  // namespace plimo
