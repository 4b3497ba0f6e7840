#include "platform/ansi_codepage.h"

#include <windows.h>

#include <climits>
#include <cstddef>
#include <stdexcept>

namespace plimo {
namespace {

// The conversion functions count in int; longer texts go in pieces that never split a surrogate pair, small
// enough that a piece's bytes fit an int even in a double-byte code page.
constexpr std::size_t kPiece = 1u << 28;

// A character the code page lacks becomes '?', as it does elsewhere, rather than a look-alike ("\u00C4" as "A",
// a full-width digit as a digit) that would make different texts read the same. UTF-8 takes no such flag.
DWORD noBestFit() {
    return GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
}

void AppendWidePiece(std::string& result, const wchar_t* wide, int length) {
    const DWORD flags = noBestFit();
    const int needed = WideCharToMultiByte(CP_ACP, flags, wide, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return;
    }
    const std::size_t start = result.size();
    result.resize(start + static_cast<std::size_t>(needed));
    const int written =
        WideCharToMultiByte(CP_ACP, flags, wide, length, result.data() + start, needed, nullptr, nullptr);
    result.resize(start + static_cast<std::size_t>(written > 0 ? written : 0));
}

}  // namespace

std::string WideToAnsi(std::u16string_view wide) {
    std::string result;
    AppendWideToAnsi(result, wide);
    return result;
}

void AppendWideToAnsi(std::string& result, std::u16string_view wide) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    std::size_t offset = 0;
    while (offset < wide.size()) {
        std::size_t length = wide.size() - offset;
        if (length > kPiece) {
            length = kPiece;
            const char16_t last = wide[offset + length - 1];
            if (last >= 0xD800 && last <= 0xDBFF) {
                --length;
            }
        }
        AppendWidePiece(result, reinterpret_cast<const wchar_t*>(wide.data() + offset), static_cast<int>(length));
        offset += length;
    }
}

std::u16string AnsiToWide(std::string_view ansi) {
    if (ansi.empty()) {
        return {};
    }
    // A double-byte ANSI code page could split a character between pieces, so this direction is done whole;
    // the texts that come this way (settings, labels) are small.
    if (ansi.size() > static_cast<std::size_t>(INT_MAX)) {
        throw std::length_error("text too long for the ANSI code page conversion");
    }
    const int length = static_cast<int>(ansi.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::u16string result(static_cast<std::size_t>(needed), u'\0');
    const int written =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, reinterpret_cast<wchar_t*>(result.data()), needed);
    result.resize(static_cast<std::size_t>(written > 0 ? written : 0));
    return result;
}

}  // namespace plimo
