// Reads arbitrary texts as integers and colours and checks them against a slow reader written from the rules, and
// checks that every colour's text form reads back as the same colour.
//
// Input: the whole input is the text; its first four bytes (little-endian) are also a colour, and the first two
// also pick a named colour and a small offset from it, so that values next to the names' values are tried often.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "settings/colour_text.h"

namespace plimo::fuzz {
namespace {

bool EqualFoldingLatin(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + ('a' - 'A')) : a[i];
        const char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + ('a' - 'A')) : b[i];
        if (x != y) {
            return false;
        }
    }
    return true;
}

std::optional<std::int32_t> ReferenceColour(std::string_view text) {
    for (const ColourName& entry : ColourNames()) {
        if (EqualFoldingLatin(entry.name, text)) {
            return entry.value;
        }
    }
    return ReferenceInteger(text);
}

std::string ReferenceFormat(std::int32_t colour) {
    for (const ColourName& entry : ColourNames()) {
        if (entry.value == colour) {
            return std::string(entry.name);
        }
    }
    char text[16];
    std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(static_cast<std::uint32_t>(colour)));
    return text;
}

void CheckNameTable() {
    const auto& names = ColourNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (std::size_t j = i + 1; j < names.size(); ++j) {
            FUZZ_CHECK(!EqualFoldingLatin(names[i].name, names[j].name), "two colour names alike");
            FUZZ_CHECK(names[i].value != names[j].value, "two colour names for one value");
        }
    }
}

void CheckRoundTrip(std::int32_t colour) {
    const std::string text = FormatColour(colour);
    FUZZ_CHECK(text == ReferenceFormat(colour), "FormatColour(" + std::to_string(colour) + ") gave " + Escaped(text) +
                                                    " not " + Escaped(ReferenceFormat(colour)));
    try {
        const std::int32_t back = ParseColour(text);
        FUZZ_CHECK(back == colour,
                   Escaped(text) + " read back as " + std::to_string(back) + " not " + std::to_string(colour));
    } catch (const EConvertError&) {
        Fail("a colour's text form reads back", __FILE__, __LINE__, Escaped(text) + " did not read back");
    }
}

}  // namespace
}  // namespace plimo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plimo;
    using namespace plimo::fuzz;
    static const bool tableChecked = (CheckNameTable(), true);
    (void)tableChecked;

    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckIntegerConversion(
        "ParseInteger", text, [&] { return ParseInteger(text); }, ReferenceInteger(text));
    const std::optional<std::int32_t> colour = ReferenceColour(text);
    CheckIntegerConversion(
        "ParseColour", text, [&] { return ParseColour(text); }, colour);
    if (colour) {
        // What a settings file holds after a save is the canonical text of what it held before.
        CheckRoundTrip(*colour);
    }

    if (size >= 4) {
        std::uint32_t pattern = 0;
        std::memcpy(&pattern, data, sizeof pattern);
        CheckRoundTrip(static_cast<std::int32_t>(pattern));
    }
    if (size >= 2) {
        const std::int32_t named = ColourNames()[data[0] % ColourNames().size()].value;
        const auto offset = static_cast<std::int8_t>(data[1]);
        CheckRoundTrip(
            static_cast<std::int32_t>(static_cast<std::uint32_t>(named) + static_cast<std::uint32_t>(offset)));
    }
    return 0;
}
