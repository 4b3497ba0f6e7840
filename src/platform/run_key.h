#pragma once

#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

namespace plimo {

// Registers the program's executable to start at log-on for the user who runs it (remove false) or takes that
// registration away (remove true). The registration is that user's own, never one for every user. The name matches
// without regard to letter case, so "plimo" removes what "Plimo" wrote. Nothing is created but the registration and the
// folder that holds it, and every failure (no rights, no such place) is silent.
void SetAutostart(std::string_view valueName, bool remove);

#ifdef _WIN32
// The same on the Run keys under the two roots given (the machine's and the user's in the program; keys of their
// own in tests). The value is written under the user's root alone: under the machine's it would start, in every
// account, a program that one user may replace. Removal clears it under both, where the rights allow.
void SetAutostartUnder(HKEY machineRoot, HKEY userRoot, std::string_view valueName, bool remove);
#endif

}  // namespace plimo
