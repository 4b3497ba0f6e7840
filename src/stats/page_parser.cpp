#include "stats/page_parser.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/windows1251.h"

namespace plimo {
namespace {

// Finds a marker of 2 to 255 bytes. The page is full of '<', the first byte of every marker, and of the bytes
// its markup is made of, so the search skips ahead by the last two bytes under the marker's end: a byte pair
// that the marker does not hold lets it jump nearly its whole length.
class PairSkipSearcher {
public:
    explicit PairSkipSearcher(std::string_view pattern) : m_pattern(pattern) {
        const std::size_t last = pattern.size() - 1;
        m_skip.fill(static_cast<std::uint8_t>(last));
        // Later pairs overwrite earlier ones with smaller skips; a hash collision only shortens a skip.
        for (std::size_t j = 1; j < last; ++j) {
            m_skip[Hash(pattern[j - 1], pattern[j])] = static_cast<std::uint8_t>(last - j);
        }
        const std::size_t lastPair = Hash(pattern[last - 1], pattern[last]);
        m_skipAfterMismatch = m_skip[lastPair];
        m_skip[lastPair] = 0;
    }

    // The offset of the first occurrence in text, or npos.
    std::size_t findIn(std::string_view text) const {
        const std::size_t length = m_pattern.size();
        if (text.size() < length) {
            return std::string_view::npos;
        }
        const char* const data = text.data();
        const std::size_t lastStart = text.size() - length;
        std::size_t i = 0;
        while (i <= lastStart) {
            const std::size_t skip = m_skip[Hash(data[i + length - 2], data[i + length - 1])];
            if (skip != 0) {
                i += skip;
                continue;
            }
            if (std::memcmp(data + i, m_pattern.data(), length) == 0) {
                return i;
            }
            i += m_skipAfterMismatch;
        }
        return std::string_view::npos;
    }

private:
    static std::size_t Hash(char first, char second) {
        return ((static_cast<unsigned char>(first) << 4) ^ static_cast<unsigned char>(second)) & 0xFFFu;
    }

    std::string_view m_pattern;
    std::array<std::uint8_t, 4096> m_skip;
    std::size_t m_skipAfterMismatch;
};

// A marker in Windows-1251 with its searcher and the number of characters between it and the value's window.
class Marker {
public:
    Marker(std::u16string_view text, std::size_t skipped)
        : m_bytes(WideToWindows1251(text)), m_skipped(skipped), m_searcher(m_bytes) {}
    Marker(const Marker&) = delete;
    Marker& operator=(const Marker&) = delete;

    std::string_view bytes() const { return m_bytes; }
    std::size_t skipped() const { return m_skipped; }
    std::size_t findIn(std::string_view text) const { return m_searcher.findIn(text); }

private:
    std::string m_bytes;
    std::size_t m_skipped;
    PairSkipSearcher m_searcher;
};

constexpr std::size_t kWindowLength = 25;

const Marker* MarkerForKey(std::string_view key) {
    // The Russian words are written as UTF-16 literals, whose encoding the language fixes, and converted once.
    static const Marker views(u"<td align=left><label for=\"id_0\">Просмотры</label></td>", 1);
    static const Marker visitors(u"<td align=left><label for=\"id_8\">Посетители</label></td>", 1);
    static const Marker viewsChange(
        u"<a href=\"mins.html\" title=\"разница со значением вчера в это же время\" target=_blank "
        u"onClick='return open_mins(\"mins.html\")'>",
        23);
    static const Marker visitorsChange(
        u"<a href=\"mins_vis.html\" title=\"разница со значением вчера в это же время\" target=_blank "
        u"onClick='return open_mins(\"mins_vis.html\")'>",
        23);
    if (key == "prosmotri") {
        return &views;
    }
    if (key == "posetiteli") {
        return &visitors;
    }
    if (key == "prosmotriplus") {
        return &viewsChange;
    }
    if (key == "posetiteliplus") {
        return &visitorsChange;
    }
    return nullptr;
}

bool IsNumberCharacter(char c) {
    return (c >= '0' && c <= '9') || c == ',' || c == '-' || c == '+';
}

}  // namespace

std::string_view MarkerFor(std::string_view key) {
    const Marker* marker = MarkerForKey(key);
    return marker ? marker->bytes() : std::string_view();
}

std::string extract_livalue(std::string_view scratch, std::string_view key) {
    const Marker* marker = MarkerForKey(key);
    if (!marker) {
        return std::string(kNotFound);
    }
    const std::size_t found = marker->findIn(scratch);
    if (found == std::string_view::npos) {
        return std::string(kNotFound);
    }
    // Compared, not added, so that no sum can pass the end of the text.
    const std::size_t afterMarker = found + marker->bytes().size();
    const std::size_t remaining = scratch.size() - afterMarker;
    if (remaining <= marker->skipped()) {
        return std::string();
    }
    return std::string(scratch.substr(afterMarker + marker->skipped(), kWindowLength));
}

std::string onlynumber(std::string_view text) {
    const auto first = std::find_if(text.begin(), text.end(), IsNumberCharacter);
    const auto last = std::find_if_not(first, text.end(), IsNumberCharacter);
    return std::string(first, last);
}

}  // namespace plimo
