#include "stats/sign_in.h"

#include <gtest/gtest.h>

#include <string>

namespace plimo {
namespace {

// The site address is trimmed, the password is not, and every byte goes raw: the service reads the body as it is.
TEST(SignInBody, TheFieldsGoRawBetweenTheFixedThirtyOneBytes) {
    const struct {
        std::string site;
        std::string password;
        std::string body;
    } cases[] = {
        {"", "", "name=;password=;keep_password=1"},
        {" \texample.com\r\n", "  secret ", "name=example.com;password=  secret ;keep_password=1"},
        // "Пароль" in Windows-1251, then the signs a form encoding would have escaped.
        {"a&b;c=d%e+f g", "\xcf\xe0\xf0\xee\xeb\xfc&=;%+",
         "name=a&b;c=d%e+f g;password=\xcf\xe0\xf0\xee\xeb\xfc&=;%+;keep_password=1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SignInBody(c.site, c.password), c.body) << c.site;
    }
}

}  // namespace
}  // namespace plimo
