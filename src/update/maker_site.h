#pragma once

#include <string>

namespace plimo {

// Addresses on the maker's web server, whose host is chosen when the program is configured.
std::string ProductPageAddress();
std::string VersionFileAddress();

}  // namespace plimo
