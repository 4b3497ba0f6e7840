#include "platform/windows1252.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace plimo {
namespace {

struct Landmark {
    unsigned char byte;
    char16_t character;
};

// The bytes where Windows-1252 is not Latin-1, the five it leaves undefined (given their control characters, as
// Windows does), and the edges of the identical halves.
constexpr Landmark kLandmarks[] = {
    {0x00, u'\u0000'}, {0x41, u'A'},      {0x7F, u'\u007F'}, {0x80, u'\u20AC'}, {0x81, u'\u0081'}, {0x83, u'\u0192'},
    {0x88, u'\u02C6'}, {0x8A, u'\u0160'}, {0x8C, u'\u0152'}, {0x8D, u'\u008D'}, {0x8E, u'\u017D'}, {0x8F, u'\u008F'},
    {0x90, u'\u0090'}, {0x91, u'\u2018'}, {0x96, u'\u2013'}, {0x98, u'\u02DC'}, {0x99, u'\u2122'}, {0x9C, u'\u0153'},
    {0x9D, u'\u009D'}, {0x9F, u'\u0178'}, {0xA0, u'\u00A0'}, {0xC4, u'\u00C4'}, {0xE9, u'\u00E9'}, {0xFF, u'\u00FF'},
};

TEST(Windows1252, LandmarksOfTheTableMapBothWays) {
    for (const Landmark& l : kLandmarks) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << int{l.byte});
        EXPECT_EQ(Windows1252ToWide(l.byte), l.character);
        EXPECT_EQ(WideToWindows1252(l.character), static_cast<char>(l.byte));
    }
}

TEST(Windows1252, EveryByteHasItsOwnCharacterAndComesBack) {
    std::set<char16_t> seen;
    std::string everyByte;
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        EXPECT_TRUE(seen.insert(Windows1252ToWide(byte)).second) << "byte " << b << " shares its character";
        everyByte += static_cast<char>(byte);
    }
    EXPECT_EQ(WideToWindows1252(Windows1252ToWide(everyByte)), everyByte);
}

TEST(Windows1252, CharactersTheCodePageLacksBecomeOneQuestionMarkEach) {
    // Cyrillic, the C1 controls it gives a character of its own, a surrogate pair and lone surrogates.
    EXPECT_EQ(WideToWindows1252(u"\u0416\u0080\u009F\u0100\u4E2D"), "?????");
    EXPECT_EQ(WideToWindows1252(u"x\U0001F600y"), "x?y");
    EXPECT_EQ(WideToWindows1252(std::u16string{u'\xDE00', u'a', u'\xD83D'}), "?a?");
    std::string bytes = "a";
    AppendWideToWindows1252(bytes, u"\u00E9\u20AC");
    EXPECT_EQ(bytes, "a\xE9\x80");
}

}  // namespace
}  // namespace plimo
