#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

namespace plimo::test {

// Whether a Windows test program runs under Wine rather than Windows: Wine's ntdll exports wine_get_version. For
// the few tests whose subject Wine does not reproduce; each says why it skips.
inline bool UnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace plimo::test
