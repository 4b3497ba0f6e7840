#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace plimo {

inline constexpr std::string_view kSettingsSection = "OPTIONS";
// Beside the executable.
inline constexpr std::string_view kSettingsFileName = "config.ini";

// The statistics page of a placeholder site, which the user replaces with their own site's page. https, since the
// sign-in posts the password to it.
inline constexpr std::string_view kExampleStatisticsPage = "https://www.liveinternet.ru/stat/example.com/index.html";
inline constexpr std::string_view kExampleSiteAddress = "http://example.com";

// The colours (0x00BBGGRR) the windows show before any settings are loaded; the two font colours are also what a
// config.ini without them gives.
inline constexpr std::int32_t kDefaultWindowColour = 0x00AF3661;
inline constexpr std::int32_t kDefaultVisitorsColour = 0x0080FFFF;  // Label2 and Label6
inline constexpr std::int32_t kDefaultViewsColour = 0x00F3ED07;     // Label1 and Label3

// The settings as config.ini holds them: the text of each key, converted only by whoever applies them, so that
// the first value that does not convert stops the applying there.
struct SettingsTexts {
    std::string autostart;  // "1" starts the program at log-on
    std::string sitename;
    std::string sitehttp;  // the site address the sign-in names
    std::string pass;
    std::string lindx;    // the statistics page address
    std::string color;    // window colour
    std::string colorf1;  // visitors' colour
    std::string colorf2;  // page views' colour
    std::string blend;
    std::string up;  // refresh interval index
    std::string cx;
    std::string cy;
    std::string fs;  // "1" until the first run has ended
};

// The keys in the order a save writes them.
enum class SettingsKey { autostart, sitename, sitehttp, lindx, pass, color, colorf1, colorf2, blend, up, cx, cy, fs };
inline constexpr std::size_t kSettingsKeyCount = 13;
using SettingsKeys = std::bitset<kSettingsKeyCount>;
inline SettingsKeys AllSettingsKeys() {
    return SettingsKeys().set();
}
inline SettingsKeys& Add(SettingsKeys& keys, SettingsKey key) {
    return keys.set(static_cast<std::size_t>(key));
}

// What a key holds when the file lacks it.
struct SettingsDefault {
    enum class From {
        Text,
        Colour,     // in its text form
        PanelLeft,  // the caller's default place for the panel
        PanelTop,
    };
    From from = From::Text;
    std::string_view text = {};
    std::int32_t colour = 0;
};
constexpr SettingsDefault DefaultText(std::string_view text) {
    return {SettingsDefault::From::Text, text};
}
constexpr SettingsDefault DefaultColour(std::int32_t colour) {
    return {SettingsDefault::From::Colour, {}, colour};
}
inline constexpr SettingsDefault kDefaultPanelLeft{SettingsDefault::From::PanelLeft};
inline constexpr SettingsDefault kDefaultPanelTop{SettingsDefault::From::PanelTop};

// What a save writes for a key.
enum class SettingsWrite {
    AsIs,
    Trimmed,     // typed by the user: blanks and control characters around it dropped
    AlwaysZero,  // a saved file has had its first run
};

struct SettingsKeyRule {
    SettingsKey key;
    std::string_view name;  // in config.ini
    std::string SettingsTexts::*text;
    SettingsDefault byDefault;
    SettingsWrite write;
};

// Every key of config.ini, in the order a save writes them.
inline constexpr std::array<SettingsKeyRule, kSettingsKeyCount> kSettingsKeyRules = {{
    {SettingsKey::autostart, "autostart", &SettingsTexts::autostart, DefaultText("1"), SettingsWrite::AsIs},
    {SettingsKey::sitename, "sitename", &SettingsTexts::sitename, DefaultText(""), SettingsWrite::Trimmed},
    {SettingsKey::sitehttp, "sitehttp", &SettingsTexts::sitehttp, DefaultText(""), SettingsWrite::Trimmed},
    {SettingsKey::lindx, "lindx", &SettingsTexts::lindx, DefaultText(kExampleStatisticsPage), SettingsWrite::Trimmed},
    {SettingsKey::pass, "pass", &SettingsTexts::pass, DefaultText(""), SettingsWrite::Trimmed},
    {SettingsKey::color, "color", &SettingsTexts::color, DefaultText("clBlack"), SettingsWrite::AsIs},
    {SettingsKey::colorf1, "colorf1", &SettingsTexts::colorf1, DefaultColour(kDefaultVisitorsColour),
     SettingsWrite::AsIs},
    {SettingsKey::colorf2, "colorf2", &SettingsTexts::colorf2, DefaultColour(kDefaultViewsColour), SettingsWrite::AsIs},
    {SettingsKey::blend, "blend", &SettingsTexts::blend, DefaultText("193"), SettingsWrite::AsIs},
    {SettingsKey::up, "up", &SettingsTexts::up, DefaultText("2"), SettingsWrite::AsIs},  // 5 minutes
    {SettingsKey::cx, "cx", &SettingsTexts::cx, kDefaultPanelLeft, SettingsWrite::AsIs},
    {SettingsKey::cy, "cy", &SettingsTexts::cy, kDefaultPanelTop, SettingsWrite::AsIs},
    {SettingsKey::fs, "fs", &SettingsTexts::fs, DefaultText("1"), SettingsWrite::AlwaysZero},
}};

constexpr const SettingsKeyRule& RuleOf(SettingsKey key) {
    return kSettingsKeyRules[static_cast<std::size_t>(key)];
}

// The key's name as config.ini spells it.
constexpr std::string_view NameOf(SettingsKey key) {
    return RuleOf(key).name;
}

// RuleOf looks a row up by its key's number.
static_assert([] {
    for (std::size_t i = 0; i < kSettingsKeyCount; ++i) {
        if (static_cast<std::size_t>(kSettingsKeyRules[i].key) != i) {
            return false;
        }
    }
    return true;
}());

}  // namespace plimo
