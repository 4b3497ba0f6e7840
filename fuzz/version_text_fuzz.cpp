// Turns arbitrary version texts into version numbers and checks the rule and the newer-version answer against a
// reading written from the rule: the text in front of the first "." and the one character after it.
//
// Input: the whole input is the version text.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "update/version_text.h"

namespace plimo::fuzz {
namespace {

// With p the 1-based position of the first "." (0 when there is none): positions 1 to p - 1, then position p + 1.
std::string ReferenceNumberText(std::string_view text) {
    std::size_t p = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '.') {
            p = i + 1;
            break;
        }
    }
    std::string number;
    for (std::size_t position = 1; position + 1 <= p; ++position) {
        number += text[position - 1];
    }
    if (p + 1 <= text.size()) {
        number += text[p];
    }
    return number;
}

}  // namespace
}  // namespace plimo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plimo;
    using namespace plimo::fuzz;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::string numberText = VersionNumberText(text);
    const std::string expectedText = ReferenceNumberText(text);
    FUZZ_CHECK(numberText == expectedText,
               "the number text of " + Escaped(text) + " is " + Escaped(numberText) + " not " + Escaped(expectedText));

    const std::optional<std::int32_t> number = ReferenceInteger(expectedText);
    CheckIntegerConversion(
        "VersionNumber", expectedText, [&] { return VersionNumber(text); }, number);

    bool newer = false;
    try {
        newer = IsNewerVersion(text);
    } catch (...) {
        Fail("IsNewerVersion never throws", __FILE__, __LINE__, Escaped(text));
    }
    // An equal number is not newer.
    const bool expectedNewer = !text.empty() && number && *number > BuiltInVersion();
    FUZZ_CHECK(newer == expectedNewer, Escaped(text) + (newer ? " counted as newer" : " not counted as newer"));
    return 0;
}
