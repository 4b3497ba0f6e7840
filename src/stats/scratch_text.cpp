#include "stats/scratch_text.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>

#include "platform/windows1251.h"

namespace plimo {

void AppendToScratch(std::string& scratch, std::string_view source) {
    if (scratch.size() > kScratchLimit) {
        scratch.clear();
        scratch.shrink_to_fit();
    }
    scratch.reserve(scratch.size() + source.size() + 2);
    const bool atLineStart = scratch.empty() || scratch.ends_with("\r\n");
    if (atLineStart) {
        scratch += source;
        scratch += "\r\n";
    } else {
        scratch += "\r\n";
        scratch += source;
    }
}

namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0u) == 0x80u;
}

std::uint64_t Load8(const unsigned char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// The low four bytes of a little-endian word as four 16-bit characters.
std::uint64_t Widen4(std::uint64_t bytes) {
    std::uint64_t x = bytes & 0xFFFFFFFFu;
    x = (x | (x << 16)) & 0x0000FFFF0000FFFFu;
    return (x | (x << 8)) & 0x00FF00FF00FF00FFu;
}

// Decodes the lenient UTF-8 of the page reader a piece at a time, so that the wide text of a large page never
// exists whole and each piece is still in the cache when it is encoded.
class LenientUtf8Decoder {
public:
    explicit LenientUtf8Decoder(std::string_view utf8)
        : m_in(reinterpret_cast<const unsigned char*>(utf8.data())), m_end(m_in + utf8.size()) {}

    bool done() const { return m_in == m_end; }

    // Fills out with at most capacity characters, never stopping inside a sequence; returns how many, or -1 when
    // the bytes are not the UTF-8 the reader accepts.
    std::ptrdiff_t decode(char16_t* out, std::size_t capacity) {
        char16_t* const outStart = out;
        char16_t* const outEnd = out + capacity;
        const unsigned char* in = m_in;
        const unsigned char* const end = m_end;
        while (in != end && out != outEnd) {
            // Eight bytes at a time, read as one little-endian word: runs of markup are widened with a few
            // shifts, and runs of Russian letters are decoded four two-byte sequences at a time (leads with bit 7
            // set and bit 5 clear, each followed by a continuation byte).
            if constexpr (std::endian::native == std::endian::little) {
                if (end - in >= 8 && outEnd - out >= 8) {
                    const std::uint64_t eight = Load8(in);
                    const std::uint64_t high = eight & 0x8080808080808080u;
                    const std::uint64_t low = Widen4(eight);
                    const std::uint64_t highHalf = Widen4(eight >> 32);
                    if (high == 0) {
                        std::memcpy(out, &low, sizeof low);
                        std::memcpy(out + 4, &highHalf, sizeof highHalf);
                        in += 8;
                        out += 8;
                        continue;
                    }
                    // Only the leading ASCII bytes or the leading whole pairs count; the rest is written over.
                    const int ascii = std::countr_zero(high) / 8;
                    if (ascii != 0) {
                        std::memcpy(out, &low, sizeof low);
                        std::memcpy(out + 4, &highHalf, sizeof highHalf);
                        in += ascii;
                        out += ascii;
                        continue;
                    }
                    const int pairs = std::countr_zero((eight & 0xC0A0C0A0C0A0C0A0u) ^ 0x8080808080808080u) / 16;
                    if (pairs != 0) {
                        const std::uint64_t four =
                            ((eight & 0x001F001F001F001Fu) << 6) | ((eight >> 8) & 0x003F003F003F003Fu);
                        std::memcpy(out, &four, sizeof four);
                        in += 2 * pairs;
                        out += pairs;
                        continue;
                    }
                }
            }
            const unsigned lead = *in;
            if (lead < 0x80u) {
                *out++ = static_cast<char16_t>(lead);
                ++in;
            } else if ((lead & 0x20u) == 0) {
                // Leads 0x80-0x9F and 0xC0-0xDF: two bytes.
                if (end - in < 2 || !IsContinuation(in[1])) {
                    return -1;
                }
                *out++ = static_cast<char16_t>(((lead & 0x1Fu) << 6) | (in[1] & 0x3Fu));
                in += 2;
            } else if (lead >= 0xF0u && lead <= 0xF7u && end - in >= 4 && IsContinuation(in[1]) &&
                       IsContinuation(in[2]) && IsContinuation(in[3])) {
                // A character beyond the 16-bit range (an emoji in a title) takes a surrogate pair, which the code
                // page turns into one '?'; it must not spoil the whole page.
                if (outEnd - out < 2) {
                    break;
                }
                const char32_t c =
                    ((lead & 0x07u) << 18) | ((in[1] & 0x3Fu) << 12) | ((in[2] & 0x3Fu) << 6) | (in[3] & 0x3Fu);
                if (c >= 0x10000u && c <= 0x10FFFFu) {
                    *out++ = static_cast<char16_t>(0xD800u + ((c - 0x10000u) >> 10));
                    *out++ = static_cast<char16_t>(0xDC00u + ((c - 0x10000u) & 0x3FFu));
                } else {
                    *out++ = u'\uFFFD';
                }
                in += 4;
            } else {
                // Leads 0xA0-0xBF and 0xE0-0xFF: three bytes (a 0xF0-0xF7 lead without three continuations too).
                if (end - in < 3 || !IsContinuation(in[1]) || !IsContinuation(in[2])) {
                    return -1;
                }
                *out++ = static_cast<char16_t>(((lead & 0x0Fu) << 12) | ((in[1] & 0x3Fu) << 6) | (in[2] & 0x3Fu));
                in += 3;
            }
        }
        m_in = in;
        return out - outStart;
    }

private:
    const unsigned char* m_in;
    const unsigned char* m_end;
};

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

}  // namespace

std::string Utf8ToAnsi(std::string_view utf8) {
    std::string ansi;
    Utf8ToAnsi(utf8, ansi);
    return ansi;
}

void Utf8ToAnsi(std::string_view utf8, std::string& ansi) {
    // Converting a text into its own storage would clear it first; that goes through a buffer of its own.
    const std::less<const char*> before;
    if (!utf8.empty() && !before(utf8.data(), ansi.data()) && before(utf8.data(), ansi.data() + ansi.capacity())) {
        ansi = Utf8ToAnsi(std::string(utf8));
        return;
    }
    constexpr std::size_t kPieceLength = 4096;
    char16_t piece[kPieceLength + 1];
    ansi.clear();
    ansi.reserve(utf8.size());
    LenientUtf8Decoder decoder(utf8);
    std::size_t carried = 0;  // a high surrogate held back so that a pair is never split between pieces
    while (!decoder.done()) {
        const std::ptrdiff_t decoded = decoder.decode(piece + carried, kPieceLength);
        if (decoded < 0) {
            ansi.clear();
            return;
        }
        std::size_t length = carried + static_cast<std::size_t>(decoded);
        carried = 0;
        if (!decoder.done() && IsHighSurrogate(piece[length - 1])) {
            carried = 1;
            --length;
        }
        AppendWideToWindows1251(ansi, std::u16string_view(piece, length));
        if (carried) {
            piece[0] = piece[length];
        }
    }
}

}  // namespace plimo
