#pragma once

#include <string>

namespace plimo::test {

// A statistics page in UTF-8, laid out as the service writes it, carrying the four values as given (any text,
// so that tests can put odd values in). An empty value leaves that value's marker out of the page.
struct StatisticsValues {
    std::string views;
    std::string visitors;
    std::string viewsChange;
    std::string visitorsChange;
};
std::string StatisticsPage(const StatisticsValues& values, std::size_t paddingBytes = 4096);

// What the service answers instead when it refuses the site name and password: its sign-in form, in UTF-8 like the
// statistics page, with a password field and none of the values' markers.
std::string SignInPage();

}  // namespace plimo::test
