#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

namespace plimo {

// The text without its leading and trailing characters of code 32 or less; bytes and UTF-16 alike.
template <typename Char>
std::basic_string_view<Char> TrimmedView(std::basic_string_view<Char> text) {
    auto isBlank = [](Char c) { return static_cast<std::make_unsigned_t<Char>>(c) <= 0x20; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first])) {
        ++first;
    }
    while (last > first && isBlank(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

inline std::string Trimmed(std::string_view text) {
    return std::string(TrimmedView(text));
}

}  // namespace plimo
