#pragma once

#include <array>
#include <string>
#include <string_view>

namespace plimo {

// The one-character text that stands for a value the page does not contain.
inline constexpr std::string_view kNotFound = "?";

// The 25-character window after the marker of one of the four value keys ("prosmotri", "posetiteli",
// "prosmotriplus", "posetiteliplus") in the scratch text, or "?" when the key is unknown or its marker absent.
std::string extract_livalue(std::string_view scratch, std::string_view key);

// The four value keys: views, visitors, and the change of each against the same time yesterday.
inline constexpr std::array<std::string_view, 4> kValueKeys = {"prosmotri", "posetiteli", "prosmotriplus",
                                                               "posetiteliplus"};

// extract_livalue for each of the four keys, in the order of kValueKeys, from one pass over the scratch text.
std::array<std::string, 4> ExtractLivalues(std::string_view scratch);

// The first unbroken run of number characters (digits, ',', '-', '+'), or the empty text.
std::string onlynumber(std::string_view text);

// The marker that stands in front of a key's value, as Windows-1251 bytes; empty for an unknown key.
std::string_view MarkerFor(std::string_view key);

}  // namespace plimo
