#include "platform/ansi_codepage.h"

#include "platform/windows1251.h"

namespace plimo {

// Without a per-thread ANSI code page the program's text is Windows-1251: the page markers are written in it.
std::string WideToAnsi(std::u16string_view wide) {
    return WideToWindows1251(wide);
}

void AppendWideToAnsi(std::string& ansi, std::u16string_view wide) {
    AppendWideToWindows1251(ansi, wide);
}

std::u16string AnsiToWide(std::string_view ansi) {
    return Windows1251ToWide(ansi);
}

}  // namespace plimo
