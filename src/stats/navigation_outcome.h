#pragma once

#include <string_view>

namespace plimo {

// What one navigation of the refresh cycle tells about the panel's numbers.
enum class NavigationOutcome {
    Fresh,           // the statistics page, with its values
    NoNetwork,       // no answer: the engine's own error page stands in for it
    HttpError,       // the server answered with a status of 400 or more
    SignInRejected,  // no values, and the page asks for a password: the sign-in was refused
    PageChanged,     // signed in, but the page holds none of the markers the values stand behind
};

// Decided once, when a navigation has produced its document, from how the engine says it ended and the page
// itself (UTF-8, as the engine hands it over).
NavigationOutcome DecideOutcome(bool engineFailed, int httpStatus, std::string_view utf8Page);

}  // namespace plimo
