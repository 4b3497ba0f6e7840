#include "platform/windows1252.h"

#include <array>
#include <cstddef>

namespace plimo {
namespace {

// The characters of bytes 0x80 to 0x9F; every other byte is the character of the same number. Bytes 0x81, 0x8D,
// 0x8F, 0x90 and 0x9D have no character in the code page; like Windows we give them the control character of the
// same number, so that every byte survives a round trip.
constexpr std::array<char16_t, 32> kControlHalf = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',  // 80
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',  // 88
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',  // 90
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',  // 98
};

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

char16_t Windows1252ToWide(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kControlHalf[byte - 0x80] : char16_t{byte};
}

char WideToWindows1252(char16_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
        return static_cast<char>(character);
    }
    for (std::size_t i = 0; i < kControlHalf.size(); ++i) {
        if (kControlHalf[i] == character) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

std::string WideToWindows1252(std::u16string_view wide) {
    std::string bytes;
    AppendWideToWindows1252(bytes, wide);
    return bytes;
}

void AppendWideToWindows1252(std::string& bytes, std::u16string_view wide) {
    bytes.reserve(bytes.size() + wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (IsHighSurrogate(wide[i]) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
            ++i;
            bytes += '?';
        } else {
            bytes += WideToWindows1252(wide[i]);
        }
    }
}

std::u16string Windows1252ToWide(std::string_view bytes) {
    std::u16string wide(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        wide[i] = Windows1252ToWide(static_cast<unsigned char>(bytes[i]));
    }
    return wide;
}

}  // namespace plimo
