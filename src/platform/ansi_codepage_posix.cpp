#include "platform/ansi_codepage_posix.h"

#include "platform/ansi_codepage.h"
#include "platform/windows1251.h"
#include "platform/windows1252.h"

#include <atomic>

namespace plimo {
namespace {

// Chosen once, before anything converts; atomic so that a conversion on another thread never reads it torn.
std::atomic<bool> g_windows1252{false};

bool Western() {
    return g_windows1252.load(std::memory_order_relaxed);
}

}  // namespace

bool ChooseAnsiCodePage(unsigned codePage) {
    if (codePage != 1251 && codePage != 1252) {
        return false;
    }
    g_windows1252.store(codePage == 1252, std::memory_order_relaxed);
    return true;
}

std::string WideToAnsi(std::u16string_view wide) {
    return Western() ? WideToWindows1252(wide) : WideToWindows1251(wide);
}

void AppendWideToAnsi(std::string& ansi, std::u16string_view wide) {
    if (Western()) {
        AppendWideToWindows1252(ansi, wide);
    } else {
        AppendWideToWindows1251(ansi, wide);
    }
}

std::u16string AnsiToWide(std::string_view ansi) {
    return Western() ? Windows1252ToWide(ansi) : Windows1251ToWide(ansi);
}

}  // namespace plimo
