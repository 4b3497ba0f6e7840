#pragma once

#include "platform/ansi_codepage.h"

namespace plimo::test {

// Whether the system's ANSI code page is Windows-1251 here: always off Windows, and on Windows when it is 1251. The
// settings file and the edit boxes use that code page; the statistics page is read in Windows-1251 everywhere.
inline bool AnsiCodePageIsWindows1251() {
    return AnsiToWide("\xC0\xFF") == u"\u0410\u044F";
}

}  // namespace plimo::test
