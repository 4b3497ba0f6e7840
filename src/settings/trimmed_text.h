#pragma once

#include <string>
#include <string_view>

namespace plimo {

// The text without its leading and trailing characters of code 32 or less.
std::string Trimmed(std::string_view text);

}  // namespace plimo
