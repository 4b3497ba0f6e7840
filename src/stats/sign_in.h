#pragma once

#include <string>
#include <string_view>

namespace plimo {

// The sign-in request body: "name=" site ";password=" password ";keep_password=1", nothing escaped.
// The site address is trimmed, the password taken as it is.
std::string SignInBody(std::string_view siteAddress, std::string_view password);

}  // namespace plimo
