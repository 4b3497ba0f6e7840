#pragma once

#include "platform/ansi_codepage.h"

#ifndef _WIN32
#include "platform/ansi_codepage_posix.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#endif

namespace plimo::test {

// Whether the ANSI code page is Windows-1251 here: off Windows unless a run chose 1252, and on Windows when the
// system's is 1251. The settings file and the edit boxes use that code page; the statistics page is read in
// Windows-1251 everywhere.
inline bool AnsiCodePageIsWindows1251() {
    return AnsiToWide("\xC0\xFF") == u"\u0410\u044F";
}

// PLIMO_TEST_ANSI_CODE_PAGE=1252 runs the tests off Windows as on a Western Windows, where a choice of the wrong
// one of the program's three byte encodings shows. Windows has its own code page and ignores it. A value the tests
// cannot run in ends the program, rather than running them in the wrong one.
inline void ChooseAnsiCodePageFromEnvironment() {
#ifndef _WIN32
    const char* chosen = std::getenv("PLIMO_TEST_ANSI_CODE_PAGE");
    if (chosen == nullptr || *chosen == '\0') {
        return;
    }
    char* end = nullptr;
    const unsigned long codePage = std::strtoul(chosen, &end, 10);
    if (*end != '\0' || codePage > 65535 || !ChooseAnsiCodePage(static_cast<unsigned>(codePage))) {
        std::fprintf(stderr, "PLIMO_TEST_ANSI_CODE_PAGE=%s: only 1251 and 1252 can be chosen\n", chosen);
        std::exit(2);
    }
#endif
}

}  // namespace plimo::test
