// The system's ANSI code page against the program's own Windows-1251 table: on a Russian system both must give
// the same bytes, or a settings file or a page would read differently on Windows and elsewhere.
#include "platform/ansi_codepage.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "windows1251_table.h"

namespace plimo {
namespace {

bool singleByteCodePage() {
    CPINFO info{};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
}

TEST(AnsiCodePageOnWindows, EveryByteSurvivesTheRoundTripThroughWideText) {
    // The settings window holds the site name and password as wide text; their bytes must come back unchanged.
    if (!singleByteCodePage()) {
        GTEST_SKIP() << "code page " << GetACP() << " has characters of more than one byte";
    }
    std::string everyByte;
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(WideToAnsi(AnsiToWide(one)), one) << "byte " << b << " in code page " << GetACP();
        everyByte += one;
    }
    EXPECT_EQ(WideToAnsi(AnsiToWide(everyByte)), everyByte);
}

TEST(AnsiCodePageOnWindows, CharactersTheCodePageLacksBecomeQuestionMarksNotLookAlikes) {
    // A with macron, a full-width one, a subscript two and a Chinese character: neither Windows-1251 nor
    // Windows-1252 holds them, and none may turn into the letter or digit it resembles.
    const std::string converted = WideToAnsi(u"\u0100\uFF11\u2082\u4E2D");
    EXPECT_EQ(converted.find_first_of("Aa12"), std::string::npos) << converted;
}

class Windows1251System : public ::testing::Test {
protected:
    void SetUp() override {
        if (GetACP() != 1251) {
            GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 1251 (under Wine: LC_ALL=ru_RU.UTF-8)";
        }
    }
};

TEST_F(Windows1251System, EveryByteGivesTheChartsCharacterAndEveryUnitItsByte) {
    std::string everyByte;
    std::u16string characters;
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        EXPECT_EQ(AnsiToWide(std::string(1, static_cast<char>(byte))),
                  std::u16string(1, test::Windows1251Character(byte)))
            << "byte 0x" << std::hex << b;
        everyByte += static_cast<char>(byte);
        characters += test::Windows1251Character(byte);
    }
    EXPECT_EQ(AnsiToWide(everyByte), characters);

    std::u16string everyUnit;
    std::string expected;
    for (unsigned u = 0; u < 0x10000; ++u) {
        const auto unit = static_cast<char16_t>(u);
        ASSERT_EQ(WideToAnsi(std::u16string(1, unit)), std::string(1, test::Windows1251Byte(unit)))
            << "unit U+" << std::hex << u;
        // Lone surrogates go apart from the rest: two in a row would make a pair, which is one character.
        if (unit < 0xD800 || unit > 0xDFFF) {
            everyUnit += unit;
            expected += test::Windows1251Byte(unit);
        }
    }
    EXPECT_EQ(WideToAnsi(everyUnit), expected);
}

}  // namespace
}  // namespace plimo
