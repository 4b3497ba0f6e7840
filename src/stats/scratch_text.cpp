#include "stats/scratch_text.h"

#include <cstdint>
#include <cstring>

#include "platform/ansi_codepage.h"

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

// Eight bytes at once, to skip the long ASCII stretches of markup quickly.
bool EightAreAscii(const unsigned char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080u) == 0;
}

// Decodes up to a buffer's worth of characters from in; false when the bytes are not the lenient UTF-8 the page
// reader accepts. Stops early rather than split a sequence, so a piece never ends inside one.
class LenientUtf8Decoder {
public:
    explicit LenientUtf8Decoder(std::string_view utf8)
        : m_in(reinterpret_cast<const unsigned char*>(utf8.data())), m_end(m_in + utf8.size()) {}

    bool done() const { return m_in == m_end; }

    // Fills out with at most capacity characters; returns how many, or -1 on a decoding failure.
    std::ptrdiff_t decode(char16_t* out, std::size_t capacity) {
        char16_t* const outStart = out;
        char16_t* const outEnd = out + capacity;
        const unsigned char* in = m_in;
        const unsigned char* const end = m_end;
        while (in != end && out != outEnd) {
            while (end - in >= 8 && outEnd - out >= 8 && EightAreAscii(in)) {
                for (int k = 0; k < 8; ++k) {
                    out[k] = in[k];
                }
                in += 8;
                out += 8;
            }
            if (in == end || out == outEnd) {
                break;
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
            } else {
                // Leads 0xA0-0xBF and 0xE0-0xFF: three bytes; there are no four-byte forms.
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
    // Decoded and encoded a piece at a time: the wide text of a large page never exists whole, and each piece
    // stays in the cache between the two steps.
    constexpr std::size_t kPieceLength = 8192;
    char16_t piece[kPieceLength + 1];
    std::string result;
    result.reserve(utf8.size());
    LenientUtf8Decoder decoder(utf8);
    std::size_t carried = 0;  // a high surrogate held back so that a pair is never split between pieces
    while (!decoder.done()) {
        const std::ptrdiff_t decoded = decoder.decode(piece + carried, kPieceLength);
        if (decoded < 0) {
            return std::string();
        }
        std::size_t length = carried + static_cast<std::size_t>(decoded);
        carried = 0;
        if (!decoder.done() && length > 0 && IsHighSurrogate(piece[length - 1])) {
            carried = 1;
            --length;
        }
        result += WideToAnsi(std::u16string_view(piece, length));
        if (carried) {
            piece[0] = piece[length];
        }
    }
    return result;
}

}  // namespace plimo
