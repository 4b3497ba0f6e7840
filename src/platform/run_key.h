#pragma once

#include <string_view>

namespace plimo {

// Registers the program's executable to start for every user at log-on (remove false) or takes that registration
// away (remove true). The name matches without regard to letter case, so "plimo" removes what "Plimo" wrote.
// Nothing is created but the registration itself, and every failure (no rights, no such place) is silent.
void SetAutostart(std::string_view valueName, bool remove);

}  // namespace plimo
