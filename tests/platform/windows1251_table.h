#pragma once

#include <string_view>

namespace plimo::test {

// Windows-1251 as its published chart gives it, written out here so that the converters are checked against
// something other than themselves: bytes below 0x80 are ASCII, these are 0x80 to 0xFF (0x98, unassigned in the
// chart, stands for U+0098).
inline constexpr std::u16string_view kWindows1251UpperHalf =
    u"ЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏ"
    u"ђ‘’“”•–—\u0098™љ›њќћџ"
    u"\u00A0ЎўЈ¤Ґ¦§Ё©Є«¬\u00AD®Ї"
    u"°±Ііґµ¶·ё№є»јЅѕї"
    u"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"
    u"абвгдежзийклмнопрстуфхцчшщъыьэюя";
static_assert(kWindows1251UpperHalf.size() == 128);

inline char16_t Windows1251Character(unsigned char byte) {
    return byte < 0x80 ? char16_t{byte} : kWindows1251UpperHalf[byte - 0x80];
}

// The byte for a UTF-16 unit, or '?' for one the code page lacks.
inline char Windows1251Byte(char16_t unit) {
    if (unit < 0x80) {
        return static_cast<char>(unit);
    }
    const std::size_t at = kWindows1251UpperHalf.find(unit);
    return at == std::u16string_view::npos ? '?' : static_cast<char>(0x80 + at);
}

}  // namespace plimo::test
