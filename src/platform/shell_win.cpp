#include "platform/shell.h"

#include "platform/shell_address.h"

#include <string>

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

namespace plimo {

void OpenAddress(std::uintptr_t ownerWindow, std::string_view address) {
    if (!IsWebAddress(address)) {
        return;
    }
    try {
        const std::string file(address);
        ShellExecuteA(reinterpret_cast<HWND>(ownerWindow), "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } catch (...) {
        // The result is never examined.
    }
}

}  // namespace plimo
