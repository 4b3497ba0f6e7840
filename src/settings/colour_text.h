#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace plimo {

// The conversion error: "'<text>' is not a valid integer value", the whole input quoted.
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const std::string& text);
};

struct ColourName {
    std::string_view name;
    std::int32_t value;  // 0x00BBGGRR, a system colour 0xFF0000NN, or one of the two special values
};

inline constexpr std::int32_t kColourNone = 0x1FFFFFFF;
inline constexpr std::int32_t kColourDefault = 0x20000000;

// The 52 colour names in their fixed order.
const std::array<ColourName, 52>& ColourNames();

// Decimal, or hexadecimal after "$", "x", "X", "0x" or "0X"; leading blanks and one sign allowed.
std::int32_t ParseInteger(const std::string& text);
// The colour's name, or "$" and eight upper-case hexadecimal digits.
std::string FormatColour(std::int32_t colour);
// A colour name (Latin letters in any case), or an integer text.
std::int32_t ParseColour(const std::string& text);

}  // namespace plimo
