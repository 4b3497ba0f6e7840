#include "platform/utf8_text.h"

#include <gtest/gtest.h>

#include <string>

namespace plimo {
namespace {

using namespace std::string_literals;

TEST(WideToUtf8, EachLengthOfFormAndWhatIsNoCharacter) {
    const struct {
        std::u16string wide;
        std::string utf8;
    } cases[] = {
        {u"", ""},
        {u"a\0\u007F"s, "a\0\x7F"s},
        {u"\u0080\u07FF", "\xC2\x80\xDF\xBF"},
        {u"Ёж", "\xD0\x81\xD0\xB6"},
        {u"\u0800\uFFFF", "\xE0\xA0\x80\xEF\xBF\xBF"},
        {u"\U00010000\U0001F600\U0010FFFF", "\xF0\x90\x80\x80\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"},
        // Surrogates outside a pair: one U+FFFD each, and a pair after a lone high one still joins.
        {u"a\xD83D"s, "a\xEF\xBF\xBD"},
        {u"\xDE00\xD83D"s, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {u"\xD83D\xD83D\xDE00"s, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WideToUtf8(c.wide), c.utf8) << testing::PrintToString(c.utf8);
    }
}

}  // namespace
}  // namespace plimo
