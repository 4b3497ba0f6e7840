#include "stats/sign_in.h"

#include "settings/trimmed_text.h"

namespace plimo {

std::string SignInBody(std::string_view siteAddress, std::string_view password) {
    // Semicolons, not ampersands, and nothing percent-encoded: the service reads the body as it stands.
    std::string body = "name=";
    body += Trimmed(siteAddress);
    body += ";password=";
    body += password;
    body += ";keep_password=1";
    return body;
}

}  // namespace plimo
