// Converts arbitrary bytes from UTF-8 to the ANSI code page and checks the result against a slow decoder written
// from the rules, and checks the append rule of the scratch text.
//
// Input: one flag byte, one count byte, then the text. Flag bits 0-1 put a run of one-, two- or three-byte
// characters in front of the text, ending up to 63 characters short of a 4096- or 8192-character boundary, so that
// sequences and surrogate pairs fall across the pieces the converter works in. The count byte also says where the
// text splits into a scratch text and a page source for the append rule.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/windows1251.h"
#include "stats/scratch_text.h"

namespace plimo::fuzz {
namespace {

bool IsContinuationByte(unsigned char byte) {
    return byte >= 0x80 && byte <= 0xBF;
}

// The lenient decoding, one sequence at a time: below 0x80 one byte; leads with bit 0x20 clear (0x80-0x9F,
// 0xC0-0xDF) two bytes; a lead 0xF0-0xF7 followed by three bytes in 0x80-0xBF four bytes, one character beyond
// the 16-bit range (a surrogate pair) or, when its value is not one, U+FFFD; other leads with bit 0x20 set
// (0xA0-0xBF, 0xE0-0xFF) three bytes; every later byte of a sequence in 0x80-0xBF. Empty when a sequence breaks or
// the text ends inside one.
std::optional<std::u16string> ReferenceDecode(std::string_view text) {
    std::u16string characters;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            characters += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        if (lead >= 0xF0 && lead <= 0xF7 && text.size() - i >= 4 &&
            IsContinuationByte(static_cast<unsigned char>(text[i + 1])) &&
            IsContinuationByte(static_cast<unsigned char>(text[i + 2])) &&
            IsContinuationByte(static_cast<unsigned char>(text[i + 3]))) {
            std::uint32_t value = lead & 0x07u;
            for (std::size_t k = 1; k < 4; ++k) {
                value = (value << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
            }
            if (value >= 0x10000 && value <= 0x10FFFF) {
                characters += static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10));
                characters += static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
            } else {
                characters += u'\uFFFD';
            }
            i += 4;
            continue;
        }
        const std::size_t length = (lead & 0x20) == 0 ? 2 : 3;
        if (text.size() - i < length) {
            return std::nullopt;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if (!IsContinuationByte(static_cast<unsigned char>(text[i + k]))) {
                return std::nullopt;
            }
        }
        const auto c1 = static_cast<unsigned char>(text[i + 1]);
        if (length == 2) {
            characters += static_cast<char16_t>(((lead & 0x1F) << 6) | (c1 & 0x3F));
        } else {
            const auto c2 = static_cast<unsigned char>(text[i + 2]);
            characters += static_cast<char16_t>(((lead & 0x0F) << 12) | ((c1 & 0x3F) << 6) | (c2 & 0x3F));
        }
        i += length;
    }
    return characters;
}

// Each character through the code page table; a high surrogate followed by a low one is one character the code page
// lacks, so the pair gives a single '?'.
std::string ReferenceEncode(std::u16string_view characters) {
    std::string bytes;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const char16_t c = characters[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < characters.size() && characters[i + 1] >= 0xDC00 &&
            characters[i + 1] <= 0xDFFF) {
            bytes += '?';
            ++i;
            continue;
        }
        bytes += WideToWindows1251(c);
    }
    return bytes;
}

// The ANSI text for the bytes, or empty when they are not the UTF-8 the reader accepts.
std::optional<std::string> ReferenceConversion(std::string_view text) {
    const std::optional<std::u16string> characters = ReferenceDecode(text);
    return characters ? std::optional<std::string>(ReferenceEncode(*characters)) : std::nullopt;
}

void CheckConversion(std::string_view text, std::string_view expected) {
    const std::string ansi = Utf8ToAnsi(text);
    if (ansi != expected) {
        std::size_t at = 0;
        while (at < ansi.size() && at < expected.size() && ansi[at] == expected[at]) {
            ++at;
        }
        Fail("Utf8ToAnsi agrees with the reference", __FILE__, __LINE__,
             "text of " + std::to_string(text.size()) + " bytes " + Escaped(text.substr(0, 256)) +
                 "...: " + std::to_string(ansi.size()) + " bytes instead of " + std::to_string(expected.size()) +
                 ", first difference at " + std::to_string(at));
    }
    // The form that reuses a buffer must not keep anything of what the buffer held.
    std::string reused = "left over from an earlier pass";
    Utf8ToAnsi(text, reused);
    FUZZ_CHECK(reused == expected, "the buffer-reusing Utf8ToAnsi differs for " + Escaped(text.substr(0, 256)));
}

void CheckAppend(std::string_view scratch, std::string_view source) {
    std::string joined(scratch);
    AppendToScratch(joined, source);
    const bool atLineStart = scratch.empty() || (scratch.size() >= 2 && scratch.substr(scratch.size() - 2) == "\r\n");
    const std::string expected = atLineStart ? std::string(scratch) + std::string(source) + "\r\n"
                                             : std::string(scratch) + "\r\n" + std::string(source);
    FUZZ_CHECK(joined == expected,
               "appending " + Escaped(source) + " to " + Escaped(scratch) + " gave " + Escaped(joined));
}

// Whole characters of one length, as UTF-8 and as the ANSI text they convert to: converting them in front of a text
// gives their ANSI text in front of the text's own conversion, or nothing when the text does not convert.
struct Padding {
    std::string utf8;
    std::string ansi;
};

Padding PaddingFor(unsigned kind, unsigned count) {
    struct Character {
        std::string_view utf8;
        char ansi;
    };
    static constexpr Character kCharacters[] = {{"a", 'a'}, {"\xD0\xBF", '\xEF'}, {"\xE2\x80\x94", '\x97'}};
    const Character& character = kCharacters[kind - 1];
    const std::size_t characters = 4096 * (1 + (count & 1)) - ((count >> 1) % 64);
    Padding padding;
    padding.utf8.reserve(characters * character.utf8.size());
    for (std::size_t i = 0; i < characters; ++i) {
        padding.utf8 += character.utf8;
    }
    padding.ansi.assign(characters, character.ansi);
    return padding;
}

}  // namespace
}  // namespace plimo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plimo::fuzz;
    if (size < 2) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data) + 2, size - 2);
    const unsigned flags = data[0];
    const unsigned count = data[1];

    const std::optional<std::string> expected = ReferenceConversion(input);
    CheckConversion(input, expected.value_or(std::string()));
    if ((flags & 3u) != 0) {
        const Padding padding = PaddingFor(flags & 3u, count);
        CheckConversion(padding.utf8 + std::string(input), expected ? padding.ansi + *expected : std::string());
    }

    const std::size_t split = input.size() * count / 255;
    CheckAppend(input.substr(0, split), input.substr(split));
    return 0;
}
