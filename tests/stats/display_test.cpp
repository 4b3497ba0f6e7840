#include "stats/display.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <random>
#include <string>

#include "stats/page_parser.h"

namespace plimo {

// Readable failures: what each element of the panel would become.
std::ostream& operator<<(std::ostream& out, Arrow arrow) {
    switch (arrow) {
        case Arrow::Unchanged:
            return out << "unchanged";
        case Arrow::None:
            return out << "none";
        case Arrow::Up:
            return out << "up";
        case Arrow::Down:
            return out << "down";
    }
    return out << "?";
}

void PrintTo(const DisplayUpdate& u, std::ostream* out) {
    auto text = [](const std::optional<std::string>& s) { return s ? "'" + *s + "'" : std::string("unchanged"); };
    *out << "{views " << text(u.views) << ", visitors " << text(u.visitors) << ", views change " << text(u.viewsChange)
         << " " << u.viewsArrow << ", visitors change " << text(u.visitorsChange) << " " << u.visitorsArrow
         << ", colour " << (u.siteNameColour ? std::to_string(*u.siteNameColour) : std::string("unchanged")) << "}";
}

namespace {

// A statistics page (already in Windows-1251) with the values that are given; a missing value has no marker.
struct Page {
    std::optional<std::string> views;
    std::optional<std::string> visitors;
    std::optional<std::string> viewsChange;
    std::optional<std::string> visitorsChange;

    std::string text() const {
        std::string page = "<html><body><table>\r\n";
        auto row = [&page](const char* key, const std::optional<std::string>& value, const std::string& skipped) {
            if (value) {
                page += "<tr>" + std::string(MarkerFor(key)) + skipped + *value + "</td></tr>\r\n";
            }
        };
        row("prosmotri", views, "<");
        row("posetiteli", visitors, "<");
        const std::string arrowImage = "<img src=\"/i/down.gif\">";  // the 23 characters before a change
        row("prosmotriplus", viewsChange, arrowImage);
        row("posetiteliplus", visitorsChange, arrowImage);
        return page + "</table></body></html>\r\n";
    }
};

TEST(DecideDisplay, ChangesGiveArrowsAndMagnitudes) {
    struct Case {
        const char* change;
        Arrow arrow;
        const char* magnitude;
    };
    const Case cases[] = {
        {"+15", Arrow::Up, "15"},
        {"15", Arrow::Up, "15"},
        {"-7", Arrow::Down, "7"},
        {"0", Arrow::None, "0"},
        {"-0", Arrow::None, "0"},
        {"+0", Arrow::None, "0"},
        {"007", Arrow::Up, "7"},
        {"2147483647", Arrow::Up, "2147483647"},
        {"-2147483648", Arrow::Down, "2147483648"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        const DisplayUpdate update = DecideDisplay(Page{{}, {}, c.change, c.change}.text());
        EXPECT_EQ(update.viewsArrow, c.arrow);
        EXPECT_EQ(update.visitorsArrow, c.arrow);
        EXPECT_EQ(update.viewsChange, c.magnitude);
        EXPECT_EQ(update.visitorsChange, c.magnitude);
    }
}

TEST(DecideDisplay, DigitGroupCommasAreDroppedFromChanges) {
    const DisplayUpdate update = DecideDisplay(Page{"12,345", "1,234", "+1,234", "-2,147,483,648"}.text());
    EXPECT_EQ(update.views, "12,345");  // today's values are shown as the page writes them
    EXPECT_EQ(update.visitors, "1,234");
    EXPECT_EQ(update.viewsChange, "1234");
    EXPECT_EQ(update.viewsArrow, Arrow::Up);
    EXPECT_EQ(update.visitorsChange, "2147483648");
    EXPECT_EQ(update.visitorsArrow, Arrow::Down);
    EXPECT_EQ(DecideDisplay(Page{{}, {}, "1,234", {}}.text()).viewsChange, "1234");
    EXPECT_EQ(DecideDisplay(Page{{}, {}, ",,5,", {}}.text()).viewsChange, "5");
}

TEST(DecideDisplay, TheSiteNameFallsOnlyWhenBothChangesFall) {
    struct Case {
        std::optional<std::string> viewsChange;
        std::optional<std::string> visitorsChange;
        std::optional<std::int32_t> colour;
    };
    const Case cases[] = {
        {"-1", "-3", kFallingColour}, {"-1", "+3", kNormalColour},
        {"+1", "-3", kNormalColour},  {"0", "0", kNormalColour},
        {"0", "-3", kNormalColour},   {{}, "-3", kNormalColour},  // views fell stays false without its change
        {"-3", {}, std::nullopt},                                 // without the visitors change the colour stays
        {{}, {}, std::nullopt},       {"-1,000", "-2,000", kFallingColour},
    };
    for (const Case& c : cases) {
        const DisplayUpdate update = DecideDisplay(Page{"1", "2", c.viewsChange, c.visitorsChange}.text());
        EXPECT_EQ(update.siteNameColour, c.colour)
            << c.viewsChange.value_or("missing") << " / " << c.visitorsChange.value_or("missing");
    }
}

TEST(DecideDisplay, AChangeThatIsNoIntegerLeavesItsOwnElementsAndStopsNothing) {
    for (const char* odd : {"", "-", "+", "1-2", "--5", "+-3", "2147483648", "-2,147,483,649", "99999999999", ","}) {
        SCOPED_TRACE(odd);
        const DisplayUpdate update = DecideDisplay(Page{"10", "20", odd, "-4"}.text());
        EXPECT_EQ(update.views, "10");
        EXPECT_EQ(update.visitors, "20");
        EXPECT_EQ(update.viewsChange, std::nullopt);
        EXPECT_EQ(update.viewsArrow, Arrow::Unchanged);
        // The visitors change and the colour still follow; the odd views change counts as not fallen.
        EXPECT_EQ(update.visitorsChange, "4");
        EXPECT_EQ(update.visitorsArrow, Arrow::Down);
        EXPECT_EQ(update.siteNameColour, kNormalColour);
    }
    const DisplayUpdate bothOdd = DecideDisplay(Page{{}, {}, "-", "1-"}.text());
    EXPECT_EQ(bothOdd.viewsArrow, Arrow::Unchanged);
    EXPECT_EQ(bothOdd.visitorsArrow, Arrow::Unchanged);
    EXPECT_EQ(bothOdd.visitorsChange, std::nullopt);
    EXPECT_EQ(bothOdd.siteNameColour, kNormalColour);
}

TEST(DecideDisplay, TodaysValuesAreTheirNumberRuns) {
    EXPECT_EQ(DecideDisplay(Page{"12,345", {}, {}, {}}.text()).views, "12,345");
    EXPECT_EQ(DecideDisplay(Page{"n/a", "&nbsp;", {}, {}}.text()).views, "");  // no number characters: emptied
    EXPECT_EQ(DecideDisplay(Page{{}, "7 890", {}, {}}.text()).visitors, "7");
    EXPECT_EQ(DecideDisplay(Page{{}, "7 890", {}, {}}.text()).views, std::nullopt);
}

TEST(DecideDisplay, ATextWithoutMarkersChangesNothing) {
    for (const std::string& scratch : {std::string(), std::string("Memo1\r\n"), std::string(4096, '<'),
                                       std::string("<td align=left><label for=\"id_0\">")}) {
        EXPECT_EQ(DecideDisplay(scratch), DisplayUpdate{});
    }
}

TEST(DecideDisplay, WhateverFollowsTheMarkersTheStepReachesItsEnd) {
    std::mt19937 random(42);
    for (int round = 0; round < 5000; ++round) {
        std::string page;
        for (const std::string_view key : kValueKeys) {
            std::string after(random() % 40, '\0');
            for (char& c : after) {
                // Mostly number characters, so that odd runs of them are common.
                c = random() % 2 ? "0123456789,-+"[random() % 13] : static_cast<char>(random());
            }
            page += std::string(MarkerFor(key)) + after;
        }
        DisplayUpdate update;
        ASSERT_NO_THROW(update = DecideDisplay(page)) << "round " << round;
        EXPECT_EQ(update.viewsArrow == Arrow::Unchanged, !update.viewsChange.has_value());
        EXPECT_EQ(update.visitorsArrow == Arrow::Unchanged, !update.visitorsChange.has_value());
        // The site name falls exactly when both changes read as falls.
        const bool bothFell = update.viewsArrow == Arrow::Down && update.visitorsArrow == Arrow::Down;
        EXPECT_EQ(update.siteNameColour, bothFell ? kFallingColour : kNormalColour);
    }
}

TEST(DecideDisplay, MarkersAtTheVeryEndGiveEmptyValues) {
    const std::string page = std::string(MarkerFor("prosmotri")) + "<" + std::string(MarkerFor("prosmotriplus"));
    const DisplayUpdate update = DecideDisplay(page);
    EXPECT_EQ(update.views, "");                     // the window is empty text, not "?"
    EXPECT_EQ(update.viewsArrow, Arrow::Unchanged);  // an empty run is no integer
    EXPECT_EQ(update.viewsChange, std::nullopt);
}

}  // namespace
}  // namespace plimo
