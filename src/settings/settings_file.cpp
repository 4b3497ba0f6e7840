#include "settings/settings_file.h"

#include "platform/profile.h"
#include "settings/colour_text.h"
#include "settings/settings_keys.h"
#include "settings/trimmed_text.h"

#include <algorithm>
#include <array>
#include <string>

namespace plimo {

namespace {

// Notepad's "Unicode": a byte order mark, or the NUL bytes of ASCII letters in UTF-16.
bool IsUtf16(std::string_view text) {
    return text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF") ||
           (text.size() >= 2 && ((text[0] != '\0' && text[1] == '\0') || (text[0] == '\0' && text[1] != '\0')));
}

std::string DefaultOf(const SettingsKeyRule& rule, int defaultX, int defaultY) {
    switch (rule.byDefault.from) {
        case SettingsDefault::From::Colour:
            return FormatColour(rule.byDefault.colour);
        case SettingsDefault::From::PanelLeft:
            return std::to_string(defaultX);
        case SettingsDefault::From::PanelTop:
            return std::to_string(defaultY);
        case SettingsDefault::From::Text:
            break;
    }
    return std::string(rule.byDefault.text);
}

std::string WrittenText(const SettingsKeyRule& rule, const SettingsTexts& settings) {
    switch (rule.write) {
        case SettingsWrite::Trimmed:
            return Trimmed(settings.*rule.text);
        case SettingsWrite::AlwaysZero:
            return "0";
        case SettingsWrite::AsIs:
            break;
    }
    return settings.*rule.text;
}

// The order the keys have always been read in, which is not the order they are written in: when a read fails
// partway, the keys after it stay empty.
constexpr std::array<SettingsKey, kSettingsKeyCount> kReadOrder = {
    SettingsKey::autostart, SettingsKey::sitename, SettingsKey::sitehttp, SettingsKey::pass, SettingsKey::color,
    SettingsKey::colorf1,   SettingsKey::colorf2,  SettingsKey::blend,    SettingsKey::up,   SettingsKey::cx,
    SettingsKey::cy,        SettingsKey::fs,       SettingsKey::lindx};
static_assert([] {
    std::array<bool, kSettingsKeyCount> read{};
    for (const SettingsKey key : kReadOrder) {
        read[static_cast<std::size_t>(key)] = true;
    }
    return std::find(read.begin(), read.end(), false) == read.end();
}());

}  // namespace

SettingsFileRead ReadSettingsFile(const std::filesystem::path& file, int defaultX, int defaultY) {
    SettingsFileRead result;
    try {
        const ProfileFile profile(file);
        if (profile.readFailure() != FileReadFailure::None) {
            result.problem = SettingsFileProblem::CannotRead;
            result.failure = profile.readFailure();
            result.systemError = profile.systemError();
        } else if (profile.text().size() > kMaxSettingsFileSize) {
            result.problem = SettingsFileProblem::TooLarge;
        } else if (IsUtf16(profile.text())) {
            result.problem = SettingsFileProblem::Utf16;
        }
        if (result.problem != SettingsFileProblem::None) {
            for (const SettingsKeyRule& rule : kSettingsKeyRules) {
                result.texts.*rule.text = DefaultOf(rule, defaultX, defaultY);
            }
            return result;
        }
        for (const SettingsKey key : kReadOrder) {
            const SettingsKeyRule& rule = RuleOf(key);
            result.texts.*rule.text = profile.read(kSettingsSection, rule.name, DefaultOf(rule, defaultX, defaultY));
        }
    } catch (...) {
        // Out of memory halfway: the keys not read by then stay empty, and their conversions fail later.
    }
    return result;
}

bool WriteSettingsFile(const std::filesystem::path& readFrom, const std::filesystem::path& file,
                       const SettingsTexts& settings, SettingsKeys keys) {
    try {
        ProfileFile profile(readFrom);
        profile.commitTo(file);
        bool writable = true;
        for (const SettingsKeyRule& rule : kSettingsKeyRules) {
            if (keys.test(static_cast<std::size_t>(rule.key))) {
                writable = writable && profile.write(kSettingsSection, rule.name, WrittenText(rule, settings));
            }
        }
        return profile.commit() && writable;
    } catch (...) {
        return false;
    }
}

bool WriteSettingsFile(const std::filesystem::path& file, const SettingsTexts& settings) {
    return WriteSettingsFile(file, file, settings);
}

}  // namespace plimo
