#pragma once

#include <cstdint>
#include <string_view>

namespace plimo {

// Hands the text (ANSI bytes), untested, to the desktop's default handler ("open"): a web address opens in the
// browser. Where the handler takes UTF-8 (xdg-open) the text is converted to it; Windows takes the bytes as they are.
// Returns at once and reports nothing, whatever happens; an empty or odd address is handed over too. The owner is the
// native handle of the window that asks (Windows uses it for any message the shell shows).
void OpenAddress(std::uintptr_t ownerWindow, std::string_view address);

}  // namespace plimo
