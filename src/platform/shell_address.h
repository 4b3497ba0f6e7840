#pragma once

#include <string>
#include <string_view>

namespace plimo {

// The address as a browser's address bar takes it: one that does not begin with a scheme and "://" (example.com,
// example.com:8080/stat) is a web address over https. The empty text stays empty.
std::string WithWebScheme(std::string_view address);

// True for an http or https address that names a host (letter case aside). Nothing else may reach the desktop's
// handler, which would run a program or open a local file that the text happens to name.
bool IsWebAddress(std::string_view address);

}  // namespace plimo
