#pragma once

#include <string_view>

namespace plimo {

// The caption of the start-at-log-on check box (UTF-8), in the words of the system the program runs on.
std::string_view AutostartCaption();

}  // namespace plimo
