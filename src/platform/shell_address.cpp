#include "platform/shell_address.h"

#include "platform/ascii_case.h"

#include <algorithm>

namespace plimo {
namespace {

constexpr std::string_view kSchemeEnd = "://";

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A scheme as URLs spell it: a letter, then letters, digits, "+", "-" or ".".
bool IsScheme(std::string_view text) {
    return !text.empty() && IsAsciiLetter(text.front()) && std::all_of(text.begin(), text.end(), [](char c) {
        return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    });
}

}  // namespace

std::string WithWebScheme(std::string_view address) {
    if (address.empty()) {
        return {};
    }
    const std::size_t end = address.find(kSchemeEnd);
    if (end != std::string_view::npos && IsScheme(address.substr(0, end))) {
        return std::string(address);
    }
    return "https://" + std::string(address);
}

bool IsWebAddress(std::string_view address) {
    const std::size_t end = address.find(kSchemeEnd);
    if (end == std::string_view::npos) {
        return false;
    }
    const std::string_view scheme = address.substr(0, end);
    if (!EqualIgnoringAsciiCase(scheme, "http") && !EqualIgnoringAsciiCase(scheme, "https")) {
        return false;
    }
    const std::string_view rest = address.substr(end + kSchemeEnd.size());
    const std::size_t authorityEnd = rest.find_first_of("/?#\\");
    const std::string_view authority = rest.substr(0, authorityEnd);
    // The host follows any user information; a port alone names no host.
    const std::string_view hostAndPort = authority.substr(authority.rfind('@') + 1);
    return !hostAndPort.empty() && hostAndPort.front() != ':';
}

}  // namespace plimo
