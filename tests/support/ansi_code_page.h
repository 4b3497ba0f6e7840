#pragma once

#include "platform/ansi_codepage.h"

namespace plimo::test {

// Whether the program's text is Windows-1251 here: always off Windows, and on Windows when the system's ANSI code
// page is 1251. The statistics page's markers can only be found in that code page.
inline bool AnsiCodePageIsWindows1251() {
    return AnsiToWide("\xC0\xFF") == u"\u0410\u044F";
}

}  // namespace plimo::test
