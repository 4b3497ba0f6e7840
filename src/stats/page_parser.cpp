#include "stats/page_parser.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/windows1251.h"

namespace plimo {
namespace {

constexpr std::size_t kNotAt = std::string_view::npos;

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

    // One step of the search for the first occurrence at or after start. Returns false when the search is over;
    // start is then the occurrence's offset, or kNotAt.
    bool step(std::string_view text, std::size_t& start) const {
        const std::size_t length = m_pattern.size();
        if (text.size() < length || start > text.size() - length) {
            start = kNotAt;
            return false;
        }
        const char* const end = text.data() + start + length;
        const std::size_t skip = m_skip[Hash(end[-2], end[-1])];
        if (skip != 0) {
            start += skip;
            return true;
        }
        if (std::memcmp(text.data() + start, m_pattern.data(), length) == 0) {
            return false;
        }
        start += m_skipAfterMismatch;
        return true;
    }

    std::size_t findIn(std::string_view text) const {
        std::size_t start = 0;
        while (step(text, start)) {
        }
        return start;
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
    const PairSkipSearcher& searcher() const { return m_searcher; }

    // The window after an occurrence at offset found, or "?" when there is none.
    std::string windowAfter(std::string_view text, std::size_t found) const {
        if (found == kNotAt) {
            return std::string(kNotFound);
        }
        // Compared, not added, so that no sum can pass the end of the text.
        const std::size_t afterMarker = found + m_bytes.size();
        if (text.size() - afterMarker <= m_skipped) {
            return std::string();
        }
        return std::string(text.substr(afterMarker + m_skipped, 25));
    }

private:
    std::string m_bytes;
    std::size_t m_skipped;  // characters between the marker and the window
    PairSkipSearcher m_searcher;
};

// The markers in the order of kValueKeys. The Russian words are written as UTF-16 literals, whose encoding the
// language fixes, and converted once.
const std::array<const Marker*, 4>& Markers() {
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
    static const std::array<const Marker*, 4> markers = {&views, &visitors, &viewsChange, &visitorsChange};
    return markers;
}

const Marker* MarkerForKey(std::string_view key) {
    for (std::size_t k = 0; k < kValueKeys.size(); ++k) {
        if (key == kValueKeys[k]) {
            return Markers()[k];
        }
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
    return marker->windowAfter(scratch, marker->searcher().findIn(scratch));
}

std::array<std::string, 4> ExtractLivalues(std::string_view scratch) {
    // Each step of a search waits for the load before it; four searches stepping side by side keep the
    // processor busy meanwhile.
    const auto& markers = Markers();
    std::array<std::size_t, 4> found{};
    unsigned searching = 0xFu;
    while (searching != 0) {
        for (std::size_t k = 0; k < 4; ++k) {
            if ((searching & (1u << k)) != 0 && !markers[k]->searcher().step(scratch, found[k])) {
                searching &= ~(1u << k);
            }
        }
    }
    std::array<std::string, 4> windows;
    for (std::size_t k = 0; k < 4; ++k) {
        windows[k] = markers[k]->windowAfter(scratch, found[k]);
    }
    return windows;
}

std::string onlynumber(std::string_view text) {
    const auto first = std::find_if(text.begin(), text.end(), IsNumberCharacter);
    const auto last = std::find_if_not(first, text.end(), IsNumberCharacter);
    return std::string(first, last);
}

}  // namespace plimo
