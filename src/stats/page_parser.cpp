#include "stats/page_parser.h"

#include <algorithm>
#include <cstddef>
#include <functional>

#include "platform/windows1251.h"

namespace plimo {
namespace {

// A marker in Windows-1251, with the searcher that finds it. The page is full of '<', the first byte of every
// marker, so a plain find would stop at each one; Horspool skips ahead by up to the marker's length instead.
class Marker {
public:
    Marker(std::u16string_view text, std::size_t skipped)
        : m_bytes(WideToWindows1251(text)), m_skipped(skipped), m_searcher(m_bytes.begin(), m_bytes.end()) {}
    Marker(const Marker&) = delete;
    Marker& operator=(const Marker&) = delete;

    std::string_view bytes() const { return m_bytes; }
    std::size_t skipped() const { return m_skipped; }

    // The offset of the first occurrence, or npos.
    std::size_t findIn(std::string_view text) const {
        const auto found = std::search(text.begin(), text.end(), m_searcher);
        return found == text.end() ? std::string_view::npos : static_cast<std::size_t>(found - text.begin());
    }

private:
    std::string m_bytes;
    std::size_t m_skipped;  // characters between the marker and the value's window
    std::boyer_moore_horspool_searcher<std::string::const_iterator> m_searcher;
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
