#pragma once

#include <filesystem>

namespace plimo {

// The full path of the running program's executable file, as the system reports it; empty if it cannot tell.
std::filesystem::path ModulePath();
// The folder that holds it: where config.ini and the version file's local copy live.
std::filesystem::path ModuleDirectory();

}  // namespace plimo
