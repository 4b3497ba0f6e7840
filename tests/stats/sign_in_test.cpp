#include "stats/sign_in.h"

#include <gtest/gtest.h>

namespace plimo {
namespace {

TEST(SignInBody, EmptyFieldsGiveTheBareThirtyOneBytes) {
    EXPECT_EQ(SignInBody("", ""), "name=;password=;keep_password=1");
    EXPECT_EQ(SignInBody("", "").size(), 31u);
}

TEST(SignInBody, SiteAddressIsTrimmedPasswordIsNot) {
    EXPECT_EQ(SignInBody(" \texample.com\r\n", "  secret "), "name=example.com;password=  secret ;keep_password=1");
}

TEST(SignInBody, SpecialAndNonAsciiBytesGoRaw) {
    const std::string site = "a&b;c=d%e+f g";
    const std::string password = "\xcf\xe0\xf0\xee\xeb\xfc&=;%+";  // "Пароль" in Windows-1251, then signs
    const std::string body = SignInBody(site, password);
    EXPECT_EQ(body, "name=" + site + ";password=" + password + ";keep_password=1");
    EXPECT_EQ(body.size(), site.size() + password.size() + 31);
}

}  // namespace
}  // namespace plimo
