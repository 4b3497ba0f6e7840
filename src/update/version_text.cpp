#include "update/version_text.h"

#include "settings/colour_text.h"
#include "update/program_version.h"

namespace plimo {

std::int32_t VersionNumber(std::string_view text) {
    return ParseInteger(VersionNumberText(text));
}

std::int32_t BuiltInVersion() {
    static const std::int32_t number = VersionNumber(kProgramVersionShort);
    return number;
}

bool IsNewerVersion(std::string_view versionText) {
    if (versionText.empty()) {
        return false;
    }
    try {
        return VersionNumber(versionText) > BuiltInVersion();
    } catch (const EConvertError&) {
        return false;
    }
}

}  // namespace plimo
