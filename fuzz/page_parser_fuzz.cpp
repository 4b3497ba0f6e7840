// Reads arbitrary scratch texts for the four values and checks every answer against a plain search:
// extract_livalue, onlynumber and the display decisions built on them.
//
// Input: one flag byte, then the scratch text. Flag bit 0: bytes 0x01-0x04 in the text stand for the four markers
// and 0x05-0x08 for the same markers short of their last byte, so that the search meets whole markers, near misses
// and markers cut by the end of the text far more often than mutation alone would build them. Flag bit 1: the
// next byte gives a length (0-16) and that many bytes form one more key to look up.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "stats/display.h"
#include "stats/page_parser.h"

namespace plimo::fuzz {
namespace {

// Windows-1251 for text made of ASCII and the Russian letters U+0410 to U+044F, which the code page holds at 0xC0 to
// 0xFF in the same order: all the markers need, and kept apart from the program's own code page table.
std::string Windows1251(std::u8string_view utf8) {
    std::string bytes;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            bytes += static_cast<char>(lead);
            ++i;
            continue;
        }
        const unsigned letter = ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
        FUZZ_CHECK(letter >= 0x410 && letter <= 0x44F, "a marker letter outside the Russian alphabet");
        bytes += static_cast<char>(0xC0 + (letter - 0x410));
        i += 2;
    }
    return bytes;
}

struct ValueKey {
    std::string_view key;
    std::string marker;
    std::size_t skipped;  // characters between the marker and the window
};

const std::array<ValueKey, 4>& ValueKeys() {
    static const std::array<ValueKey, 4> keys = {{
        {"prosmotri", Windows1251(u8"<td align=left><label for=\"id_0\">Просмотры</label></td>"), 1},
        {"posetiteli", Windows1251(u8"<td align=left><label for=\"id_8\">Посетители</label></td>"), 1},
        {"prosmotriplus",
         Windows1251(u8"<a href=\"mins.html\" title=\"разница со значением вчера в это же время\" target=_blank "
                     u8"onClick='return open_mins(\"mins.html\")'>"),
         23},
        {"posetiteliplus",
         Windows1251(u8"<a href=\"mins_vis.html\" title=\"разница со значением вчера в это же время\" target=_blank "
                     u8"onClick='return open_mins(\"mins_vis.html\")'>"),
         23},
    }};
    return keys;
}

const ValueKey* FindValueKey(std::string_view key) {
    for (const ValueKey& valueKey : ValueKeys()) {
        if (valueKey.key == key) {
            return &valueKey;
        }
    }
    return nullptr;
}

bool IsNumberCharacter(char c) {
    return IsDecimalDigit(c) || c == ',' || c == '-' || c == '+';
}

// The window by a plain search: "?" for an unknown key or an absent marker, otherwise up to 25 characters that start
// the given number of characters after the marker's end, and the empty text when that start lies past the end.
std::string ReferenceWindow(std::string_view scratch, std::string_view key) {
    const ValueKey* valueKey = FindValueKey(key);
    if (!valueKey) {
        return "?";
    }
    const std::size_t found = scratch.find(valueKey->marker);
    if (found == std::string_view::npos) {
        return "?";
    }
    const std::size_t start = found + valueKey->marker.size() + valueKey->skipped;
    return start >= scratch.size() ? std::string() : std::string(scratch.substr(start, 25));
}

// The scan as the rule tells it: number characters join the result, the first other character after a run ends it.
std::string ReferenceOnlyNumber(std::string_view text) {
    std::string result;
    bool inRun = false;
    for (const char c : text) {
        if (IsNumberCharacter(c)) {
            result += c;
            inRun = true;
        } else if (inRun) {
            break;
        }
    }
    return result;
}

void CheckOnlyNumber(std::string_view text) {
    const std::string run = onlynumber(text);
    FUZZ_CHECK(run == ReferenceOnlyNumber(text), "onlynumber of " + Escaped(text) + " gave " + Escaped(run));
    for (const char c : run) {
        FUZZ_CHECK(IsNumberCharacter(c), "onlynumber kept a character that is not a number character");
    }
    FUZZ_CHECK(text.find(run) != std::string_view::npos, "onlynumber's run is not a piece of its input");
}

void CheckKey(std::string_view scratch, std::string_view key) {
    const std::string window = extract_livalue(scratch, key);
    const std::string expected = ReferenceWindow(scratch, key);
    FUZZ_CHECK(window == expected, "extract_livalue(" + Escaped(key) + ") of " + Escaped(scratch) + " gave " +
                                       Escaped(window) + " instead of " + Escaped(expected));
    FUZZ_CHECK(window.size() <= 25, "a window longer than 25 characters");
    const ValueKey* valueKey = FindValueKey(key);
    FUZZ_CHECK(MarkerFor(key) == (valueKey ? std::string_view(valueKey->marker) : std::string_view()),
               "the marker of " + Escaped(key) + " is " + Escaped(MarkerFor(key)));
    if (window != "?") {
        CheckOnlyNumber(window);
    }
}

struct ExpectedChange {
    Arrow arrow = Arrow::Unchanged;
    std::optional<std::string> magnitude;
    bool fell = false;
};

// A change window's number run without its digit-group commas, read as an integer; anything else leaves the change
// as it was.
ExpectedChange ReferenceChange(std::string_view window) {
    std::string run;
    for (const char c : ReferenceOnlyNumber(window)) {
        if (c != ',') {
            run += c;
        }
    }
    const std::optional<std::int32_t> n = ReferenceInteger(run);
    if (!n) {
        return {};
    }
    ExpectedChange change;
    change.arrow = *n > 0 ? Arrow::Up : (*n < 0 ? Arrow::Down : Arrow::None);
    change.fell = *n < 0;
    const std::int64_t magnitude = *n < 0 ? -static_cast<std::int64_t>(*n) : *n;
    change.magnitude = std::to_string(magnitude);
    return change;
}

std::string Describe(const std::optional<std::string>& text) {
    return text ? Escaped(*text) : std::string("(unchanged)");
}

void CheckDisplay(std::string_view scratch) {
    DisplayUpdate update;
    try {
        update = DecideDisplay(scratch);
    } catch (const std::exception& error) {
        Fail("DecideDisplay never throws", __FILE__, __LINE__, Escaped(scratch) + " threw " + Escaped(error.what()));
    } catch (...) {
        Fail("DecideDisplay never throws", __FILE__, __LINE__, Escaped(scratch));
    }
    const std::string context = " of " + Escaped(scratch);

    const std::string views = ReferenceWindow(scratch, "prosmotri");
    const std::optional<std::string> expectedViews =
        views == "?" ? std::nullopt : std::optional<std::string>(ReferenceOnlyNumber(views));
    FUZZ_CHECK(update.views == expectedViews, "views " + Describe(update.views) + context);
    const std::string visitors = ReferenceWindow(scratch, "posetiteli");
    const std::optional<std::string> expectedVisitors =
        visitors == "?" ? std::nullopt : std::optional<std::string>(ReferenceOnlyNumber(visitors));
    FUZZ_CHECK(update.visitors == expectedVisitors, "visitors " + Describe(update.visitors) + context);

    const std::string viewsWindow = ReferenceWindow(scratch, "prosmotriplus");
    const ExpectedChange viewsChange = viewsWindow == "?" ? ExpectedChange{} : ReferenceChange(viewsWindow);
    FUZZ_CHECK(update.viewsArrow == viewsChange.arrow, "views arrow" + context);
    FUZZ_CHECK(update.viewsChange == viewsChange.magnitude, "views change " + Describe(update.viewsChange) + context);

    const std::string visitorsWindow = ReferenceWindow(scratch, "posetiteliplus");
    const ExpectedChange visitorsChange = visitorsWindow == "?" ? ExpectedChange{} : ReferenceChange(visitorsWindow);
    FUZZ_CHECK(update.visitorsArrow == visitorsChange.arrow, "visitors arrow" + context);
    FUZZ_CHECK(update.visitorsChange == visitorsChange.magnitude,
               "visitors change " + Describe(update.visitorsChange) + context);

    // Red only when both changes fell; without the visitors change the colour stays.
    std::optional<std::int32_t> colour;
    if (visitorsWindow != "?") {
        colour = viewsChange.fell && visitorsChange.fell ? 3224059 : 2293248;
    }
    FUZZ_CHECK(update.siteNameColour == colour, "site name colour" + context);
}

std::string ScratchFrom(std::string_view bytes, bool expandMarkers) {
    if (!expandMarkers) {
        return std::string(bytes);
    }
    std::string scratch;
    for (const char c : bytes) {
        const auto code = static_cast<unsigned char>(c);
        if (code >= 0x01 && code <= 0x04) {
            scratch += ValueKeys()[code - 0x01].marker;
        } else if (code >= 0x05 && code <= 0x08) {
            const std::string& marker = ValueKeys()[code - 0x05].marker;
            scratch.append(marker, 0, marker.size() - 1);
        } else {
            scratch += c;
        }
    }
    return scratch;
}

}  // namespace
}  // namespace plimo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plimo::fuzz;
    if (size == 0) {
        return 0;
    }
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto flags = static_cast<unsigned char>(input[0]);
    input.remove_prefix(1);

    std::string extraKey;
    if ((flags & 2u) != 0 && !input.empty()) {
        const std::size_t length = std::min<std::size_t>(static_cast<unsigned char>(input[0]) % 17, input.size() - 1);
        extraKey = std::string(input.substr(1, length));
        input.remove_prefix(1 + length);
    }
    const std::string scratch = ScratchFrom(input, (flags & 1u) != 0);

    for (const ValueKey& valueKey : ValueKeys()) {
        CheckKey(scratch, valueKey.key);
    }
    // Keys that are nearly one of the four: the comparison is exact and case-sensitive.
    for (const std::string_view key : {"Prosmotri", "prosmotri ", "posetiteliplu", "", "POSETITELI"}) {
        CheckKey(scratch, key);
    }
    CheckKey(scratch, std::string("prosmotri\0", 10));
    CheckKey(scratch, extraKey);
    CheckOnlyNumber(scratch);
    CheckDisplay(scratch);
    return 0;
}
