#pragma once

#include <cstdint>
#include <string_view>

namespace plimo {

// Hands a web address (ANSI bytes) to the desktop's default handler ("open"), which opens it in the browser. Where
// the handler takes UTF-8 (xdg-open) the text is converted to it; Windows takes the bytes as they are. Anything but
// an http or https address (IsWebAddress) is dropped: the handler would run a program or open a file it names.
// Returns at once and reports nothing, whatever happens. The owner is the native handle of the window that asks
// (Windows uses it for any message the shell shows).
void OpenAddress(std::uintptr_t ownerWindow, std::string_view address);

}  // namespace plimo
