#pragma once

#include <string>
#include <string_view>

namespace plimo {

// Standard UTF-8 for UTF-16 text: a surrogate pair becomes one four-byte form, a surrogate on its own U+FFFD (it
// names no character, and the bytes of one would be no valid UTF-8).
std::string WideToUtf8(std::u16string_view wide);

}  // namespace plimo
