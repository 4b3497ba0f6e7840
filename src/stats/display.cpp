#include "stats/display.h"

#include <algorithm>
#include <cstdlib>

#include "settings/colour_text.h"
#include "stats/page_parser.h"

namespace plimo {
namespace {

// What the page says about one change: its arrow and magnitude, and whether it fell.
struct Change {
    Arrow arrow = Arrow::Unchanged;
    std::optional<std::string> magnitude;
    bool fell = false;
};

Change ReadChange(std::string_view window) {
    std::string run = onlynumber(window);
    // The page groups digits with commas ('+1,234'); without them the run is a plain integer.
    run.erase(std::remove(run.begin(), run.end(), ','), run.end());
    std::int32_t n = 0;
    try {
        n = ParseInteger(run);
    } catch (const EConvertError&) {
        // Anything else leaves the panel's change as it was rather than stop the refreshing.
        return {};
    }
    Change change;
    change.arrow = n > 0 ? Arrow::Up : (n < 0 ? Arrow::Down : Arrow::None);
    change.fell = n < 0;
    // Widened first: the magnitude of the most negative 32-bit value does not fit 32 bits.
    change.magnitude = std::to_string(std::llabs(static_cast<long long>(n)));
    return change;
}

}  // namespace

DisplayUpdate DecideDisplay(std::string_view scratch) {
    const auto [views, visitors, viewsWindow, visitorsWindow] = ExtractLivalues(scratch);
    DisplayUpdate update;
    if (views != kNotFound) {
        update.views = onlynumber(views);
    }
    if (visitors != kNotFound) {
        update.visitors = onlynumber(visitors);
    }

    bool viewsFell = false;
    if (viewsWindow != kNotFound) {
        Change change = ReadChange(viewsWindow);
        update.viewsArrow = change.arrow;
        update.viewsChange = std::move(change.magnitude);
        viewsFell = change.fell;
    }

    if (visitorsWindow != kNotFound) {
        Change change = ReadChange(visitorsWindow);
        update.visitorsArrow = change.arrow;
        update.visitorsChange = std::move(change.magnitude);
        // The trend follows the visitors change: without it the colour stays, whatever the views did.
        update.siteNameColour = (viewsFell && change.fell) ? kFallingColour : kNormalColour;
    }
    return update;
}

}  // namespace plimo
