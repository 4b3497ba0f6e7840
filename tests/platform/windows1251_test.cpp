#include "platform/windows1251.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ansi_code_page.h"
#include "platform/ansi_codepage.h"

namespace plimo {
namespace {

struct Landmark {
    unsigned char byte;
    char16_t character;
};

// Known points of the code page, from every region of the table.
constexpr Landmark kLandmarks[] = {
    {0x00, u'\u0000'}, {0x20, u' '},      {0x41, u'A'},      {0x7F, u'\u007F'}, {0x80, u'\u0402'}, {0x81, u'\u0403'},
    {0x82, u'\u201A'}, {0x85, u'\u2026'}, {0x88, u'\u20AC'}, {0x8A, u'\u0409'}, {0x8F, u'\u040F'}, {0x90, u'\u0452'},
    {0x91, u'\u2018'}, {0x94, u'\u201D'}, {0x96, u'\u2013'}, {0x97, u'\u2014'}, {0x98, u'\u0098'}, {0x99, u'\u2122'},
    {0x9F, u'\u045F'}, {0xA0, u'\u00A0'}, {0xA1, u'\u040E'}, {0xA5, u'\u0490'}, {0xA8, u'\u0401'}, {0xAB, u'\u00AB'},
    {0xAD, u'\u00AD'}, {0xAF, u'\u0407'}, {0xB2, u'\u0406'}, {0xB4, u'\u0491'}, {0xB5, u'\u00B5'}, {0xB8, u'\u0451'},
    {0xB9, u'\u2116'}, {0xBB, u'\u00BB'}, {0xBF, u'\u0457'}, {0xC0, u'\u0410'}, {0xDF, u'\u042F'}, {0xE0, u'\u0430'},
    {0xFF, u'\u044F'},
};

TEST(Windows1251, LandmarksOfTheTableMapBothWays) {
    for (const Landmark& l : kLandmarks) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << int{l.byte});
        EXPECT_EQ(Windows1251ToWide(l.byte), l.character);
        EXPECT_EQ(WideToWindows1251(l.character), static_cast<char>(l.byte));
    }
}

TEST(Windows1251, EveryByteHasItsOwnCharacterAndComesBack) {
    std::set<char16_t> seen;
    std::string everyByte;
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        const char16_t c = Windows1251ToWide(byte);
        EXPECT_TRUE(seen.insert(c).second) << "byte " << b << " shares its character";
        EXPECT_EQ(static_cast<unsigned char>(WideToWindows1251(c)), byte) << "byte " << b;
        everyByte += static_cast<char>(byte);
    }
    EXPECT_EQ(WideToWindows1251(Windows1251ToWide(everyByte)), everyByte);
}

TEST(Windows1251, TheRussianAlphabetIsContiguousWithYoApart) {
    const std::u16string upper = u"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ";
    const std::u16string lower = u"абвгдежзийклмнопрстуфхцчшщъыьэюя";
    std::string expected;
    for (int b = 0xC0; b <= 0xFF; ++b) {
        expected += static_cast<char>(b);
    }
    EXPECT_EQ(WideToWindows1251(upper + lower), expected);
    EXPECT_EQ(WideToWindows1251(u"Ёё"), "\xA8\xB8");
}

TEST(Windows1251, CharactersTheCodePageLacksBecomeQuestionMarks) {
    EXPECT_EQ(WideToWindows1251(u"\u00C0\u00E9\u4E2D\uFFFF\u20AD\u0100"), "??????");
    EXPECT_EQ(WideToWindows1251(u'\u0080'), '?');
    EXPECT_EQ(WideToWindows1251(u"a\u00C0b"), "a?b");
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
