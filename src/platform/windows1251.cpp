#include "platform/windows1251.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace plimo {
namespace {

// The characters of bytes 0x80 to 0xBF; 0xC0 to 0xFF are U+0410 to U+044F in order. Byte 0x98 has no character
// in the code page; like Windows we give it U+0098, so that every byte survives a round trip.
constexpr std::array<char16_t, 64> kHighHalf = {
    u'\u0402', u'\u0403', u'\u201A', u'\u0453', u'\u201E', u'\u2026', u'\u2020', u'\u2021',  // 80
    u'\u20AC', u'\u2030', u'\u0409', u'\u2039', u'\u040A', u'\u040C', u'\u040B', u'\u040F',  // 88
    u'\u0452', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',  // 90
    u'\u0098', u'\u2122', u'\u0459', u'\u203A', u'\u045A', u'\u045C', u'\u045B', u'\u045F',  // 98
    u'\u00A0', u'\u040E', u'\u045E', u'\u0408', u'\u00A4', u'\u0490', u'\u00A6', u'\u00A7',  // A0
    u'\u0401', u'\u00A9', u'\u0404', u'\u00AB', u'\u00AC', u'\u00AD', u'\u00AE', u'\u0407',  // A8
    u'\u00B0', u'\u00B1', u'\u0406', u'\u0456', u'\u0491', u'\u00B5', u'\u00B6', u'\u00B7',  // B0
    u'\u0451', u'\u2116', u'\u0454', u'\u00BB', u'\u0458', u'\u0405', u'\u0455', u'\u0457',  // B8
};

constexpr char16_t ByteToWide(unsigned byte) {
    if (byte < 0x80) {
        return static_cast<char16_t>(byte);
    }
    if (byte < 0xC0) {
        return kHighHalf[byte - 0x80];
    }
    return static_cast<char16_t>(0x0410 + (byte - 0xC0));
}

constexpr std::array<char16_t, 256> MakeToWide() {
    std::array<char16_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        table[byte] = ByteToWide(byte);
    }
    return table;
}

// The reverse direction as one lookup per character: 64 KiB, filled at compile time, '?' where the code page
// lacks the character.
constexpr std::array<std::uint8_t, 65536> MakeFromWide() {
    std::array<std::uint8_t, 65536> table{};
    for (auto& entry : table) {
        entry = '?';
    }
    for (unsigned byte = 0; byte < 256; ++byte) {
        table[ByteToWide(byte)] = static_cast<std::uint8_t>(byte);
    }
    return table;
}

constexpr std::array<char16_t, 256> kToWide = MakeToWide();
constexpr std::array<std::uint8_t, 65536> kFromWide = MakeFromWide();

bool IsSurrogate(char16_t c) {
    return (c & 0xF800) == 0xD800;
}
bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

char16_t Windows1251ToWide(unsigned char byte) {
    return kToWide[byte];
}

char WideToWindows1251(char16_t character) {
    return static_cast<char>(kFromWide[character]);
}

std::string WideToWindows1251(std::u16string_view wide) {
    std::string bytes;
    AppendWideToWindows1251(bytes, wide);
    return bytes;
}

void AppendWideToWindows1251(std::string& bytes, std::u16string_view wide) {
    const std::size_t start = bytes.size();
    bytes.resize(start + wide.size());
    char* out = bytes.data() + start;
    const char16_t* in = wide.data();
    const char16_t* const end = in + wide.size();
    while (in != end) {
        // Four characters at a time, read as one little-endian word: markup is mostly ASCII, packed with a few
        // shifts, and the rest is one lookup each. Only a block with a surrogate in it goes the careful way.
        if constexpr (std::endian::native == std::endian::little) {
            if (end - in >= 4) {
                std::uint64_t four;
                std::memcpy(&four, in, sizeof four);
                if ((four & 0xFF80FF80FF80FF80u) == 0) {
                    four = (four | (four >> 8)) & 0x0000FFFF0000FFFFu;
                    const auto packed = static_cast<std::uint32_t>(four | (four >> 16));
                    std::memcpy(out, &packed, sizeof packed);
                    in += 4;
                    out += 4;
                    continue;
                }
                const auto c0 = static_cast<char16_t>(four);
                const auto c1 = static_cast<char16_t>(four >> 16);
                const auto c2 = static_cast<char16_t>(four >> 32);
                const auto c3 = static_cast<char16_t>(four >> 48);
                if (!IsSurrogate(c0) && !IsSurrogate(c1) && !IsSurrogate(c2) && !IsSurrogate(c3)) {
                    out[0] = static_cast<char>(kFromWide[c0]);
                    out[1] = static_cast<char>(kFromWide[c1]);
                    out[2] = static_cast<char>(kFromWide[c2]);
                    out[3] = static_cast<char>(kFromWide[c3]);
                    in += 4;
                    out += 4;
                    continue;
                }
            }
        }
        const char16_t c = *in++;
        // A surrogate pair is one character outside the code page: one '?', as Windows gives.
        if (IsHighSurrogate(c) && in != end && IsLowSurrogate(*in)) {
            ++in;
        }
        *out++ = static_cast<char>(kFromWide[c]);
    }
    bytes.resize(static_cast<std::size_t>(out - bytes.data()));
}

std::u16string Windows1251ToWide(std::string_view bytes) {
    std::u16string result(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        result[i] = kToWide[static_cast<unsigned char>(bytes[i])];
    }
    return result;
}

}  // namespace plimo
