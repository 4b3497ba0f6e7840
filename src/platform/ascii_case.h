#pragma once

#include <cstddef>
#include <string_view>

namespace plimo {

// Names in INI files, the registry and autostart folders match the way Windows matches them for ASCII letters;
// bytes above 127 (the ANSI code page's letters) must be equal.
inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace plimo
