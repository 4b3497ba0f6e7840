#include "stats/navigation_outcome.h"

#include "statistics_page.h"

#include <gtest/gtest.h>

#include <string>

namespace plimo {
namespace {

// What a navigation tells, decided over whole pages as the engine hands them over.
TEST(NavigationOutcome, IsDecidedFromTheEnginesResultAndThePage) {
    const std::string statistics = test::StatisticsPage({"12,345", "2,345", "+152", "+21"});
    const std::string onlyVisitors = test::StatisticsPage({"", "2,345", "", "+21"});
    const std::string signInForm =
        "<html><body><form method=post><input name=name><INPUT TYPE = 'Password' name=password>"
        "<input type=submit></form></body></html>";
    const std::string unquoted = "<form><input type=password name=p></form>";
    const std::string wordsOnly = "<html><body><p>Forgot your password? type=\"text\"</p></body></html>";
    struct Case {
        const char* what;
        bool failed;
        int status;
        const std::string& page;
        NavigationOutcome expected;
    };
    const Case cases[] = {
        {"the statistics page", false, 200, statistics, NavigationOutcome::Fresh},
        {"the engine's error page, whatever it holds", true, 0, statistics, NavigationOutcome::NoNetwork},
        {"a 404 page", false, 404, wordsOnly, NavigationOutcome::HttpError},
        {"a 500 page with values on it", false, 500, statistics, NavigationOutcome::HttpError},
        {"the sign-in form", false, 200, signInForm, NavigationOutcome::SignInRejected},
        {"the sign-in form, unquoted", false, 200, unquoted, NavigationOutcome::SignInRejected},
        {"a page that only talks of passwords", false, 200, wordsOnly, NavigationOutcome::PageChanged},
        {"a page without the views marker", false, 200, onlyVisitors, NavigationOutcome::PageChanged},
        {"an empty page", false, 200, std::string(), NavigationOutcome::PageChanged},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecideOutcome(c.failed, c.status, c.page), c.expected) << c.what;
    }
}

}  // namespace
}  // namespace plimo
