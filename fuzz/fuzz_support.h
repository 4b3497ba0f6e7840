#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "settings/colour_text.h"

namespace plimo::fuzz {

// Bytes as a C string literal would write them, so that a failure report shows control and high bytes exactly.
inline std::string Escaped(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            text += '\\';
            text += c;
        } else if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            text += "\\x";
            text += kHex[byte >> 4];
            text += kHex[byte & 0xF];
        }
    }
    return text + "\"";
}

// A broken property ends the run the way a crash does, so that libFuzzer keeps the input that broke it.
[[noreturn]] inline void Fail(const char* condition, const char* file, int line, const std::string& detail) {
    std::fprintf(stderr, "\n%s:%d: property failed: %s\n%s\n", file, line, condition, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                      \
    do {                                                                   \
        if (!(condition)) {                                                \
            ::plimo::fuzz::Fail(#condition, __FILE__, __LINE__, (detail)); \
        }                                                                  \
    } while (false)

inline bool IsDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

inline int ReferenceHexDigit(char c) {
    if (IsDecimalDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The integer text form, read the slow way: the digits are checked as a whole first, the range by comparing digit
// strings, and only then is a value computed. Empty when the text is not an integer.
inline std::optional<std::int32_t> ReferenceInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string_view digits = text.substr(i);
    bool hex = false;
    if (!digits.empty() && (digits[0] == '$' || digits[0] == 'x' || digits[0] == 'X')) {
        hex = true;
        digits.remove_prefix(1);
    } else if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        hex = true;
        digits.remove_prefix(2);
    }
    if (digits.empty()) {
        return std::nullopt;
    }
    for (const char c : digits) {
        if (hex ? ReferenceHexDigit(c) < 0 : !IsDecimalDigit(c)) {
            return std::nullopt;
        }
    }
    const std::size_t firstSignificant = digits.find_first_not_of('0');
    const std::string_view significant =
        firstSignificant == std::string_view::npos ? std::string_view() : digits.substr(firstSignificant);
    if (hex) {
        if (significant.size() > 8) {
            return std::nullopt;
        }
        std::uint32_t pattern = 0;
        for (const char c : significant) {
            pattern = pattern * 16 + static_cast<std::uint32_t>(ReferenceHexDigit(c));
        }
        if (negative) {
            pattern = ~pattern + 1;
        }
        return static_cast<std::int32_t>(pattern);
    }
    const std::string_view limit = negative ? "2147483648" : "2147483647";
    if (significant.size() > limit.size() || (significant.size() == limit.size() && significant > limit)) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (const char c : significant) {
        value = value * 10 + (c - '0');
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

// Runs a conversion of text that gives an integer or fails with the conversion error, and checks it against the
// reference reading: the same value, or exactly the conversion error quoting the whole text.
template <typename Conversion>
void CheckIntegerConversion(std::string_view name, std::string_view text, Conversion convert,
                            std::optional<std::int32_t> expected) {
    const std::string context = std::string(name) + " of " + Escaped(text);
    try {
        const std::int32_t value = convert();
        FUZZ_CHECK(expected.has_value(), context + " gave " + std::to_string(value) + " instead of failing");
        FUZZ_CHECK(value == *expected,
                   context + " gave " + std::to_string(value) + " instead of " + std::to_string(*expected));
    } catch (const EConvertError& error) {
        FUZZ_CHECK(!expected.has_value(), context + " failed instead of giving " + std::to_string(*expected));
        // what() is a C string: a NUL in the text ends the message there, as it ends the text of the error box.
        std::string message = "'" + std::string(text) + "' is not a valid integer value";
        message.resize(std::min(message.size(), message.find('\0')));
        FUZZ_CHECK(error.what() == message, context + " failed with " + Escaped(error.what()));
    } catch (const std::exception& error) {
        Fail("conversion error only", __FILE__, __LINE__, context + " threw " + Escaped(error.what()));
    } catch (...) {
        Fail("conversion error only", __FILE__, __LINE__, context + " threw something else");
    }
}

}  // namespace plimo::fuzz
