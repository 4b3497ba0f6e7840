#include "stats/navigation_outcome.h"

#include "platform/utf8_text.h"
#include "platform/windows1251.h"
#include "stats/page_parser.h"

#include <algorithm>
#include <functional>
#include <string>

namespace plimo {
namespace {

// The views marker as the engine hands pages over: UTF-8.
const std::string& ViewsMarkerUtf8() {
    static const std::string marker = WideToUtf8(Windows1251ToWide(MarkerFor(kValueKeys[0])));
    return marker;
}

bool HoldsViewsMarker(std::string_view page) {
    static const std::boyer_moore_horspool_searcher searcher(ViewsMarkerUtf8().begin(), ViewsMarkerUtf8().end());
    return std::search(page.begin(), page.end(), searcher) != page.end();
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// An input of type password, in any letter case and with or without quotes: the sign-in form the service shows
// instead of the statistics when it refuses the site and password.
bool HoldsPasswordField(std::string_view page) {
    constexpr std::string_view kPassword = "password";
    const auto same = [](char a, char b) { return AsciiLower(a) == b; };
    for (auto at = page.begin();;) {
        at = std::search(at, page.end(), kPassword.begin(), kPassword.end(), same);
        if (at == page.end()) {
            return false;
        }
        // Back over an opening quote, blanks, "=" and blanks to the attribute's name.
        auto before = at;
        if (before != page.begin() && (*(before - 1) == '"' || *(before - 1) == '\'')) {
            --before;
        }
        while (before != page.begin() && IsBlank(*(before - 1))) {
            --before;
        }
        if (before != page.begin() && *(before - 1) == '=') {
            --before;
            while (before != page.begin() && IsBlank(*(before - 1))) {
                --before;
            }
            constexpr std::string_view kType = "type";
            if (before - page.begin() > static_cast<std::ptrdiff_t>(kType.size()) &&
                std::equal(before - kType.size(), before, kType.begin(), same) &&
                IsBlank(*(before - kType.size() - 1))) {
                return true;
            }
        }
        at += kPassword.size();
    }
}

}  // namespace

NavigationOutcome DecideOutcome(bool engineFailed, int httpStatus, std::string_view utf8Page) {
    if (engineFailed) {
        return NavigationOutcome::NoNetwork;
    }
    if (httpStatus >= 400) {
        return NavigationOutcome::HttpError;
    }
    if (HoldsViewsMarker(utf8Page)) {
        return NavigationOutcome::Fresh;
    }
    return HoldsPasswordField(utf8Page) ? NavigationOutcome::SignInRejected : NavigationOutcome::PageChanged;
}

}  // namespace plimo
