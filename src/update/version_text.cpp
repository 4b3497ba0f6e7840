#include "update/version_text.h"

#include "settings/colour_text.h"

namespace plimo {

std::int32_t VersionNumber(std::string_view text) {
    return ParseInteger(VersionNumberText(text));
}

bool IsNewerVersion(std::string_view versionText) {
    if (versionText.empty()) {
        return false;
    }
    try {
        return VersionNumber(versionText) > kBuiltInVersion;
    } catch (const EConvertError&) {
        return false;
    }
}

}  // namespace plimo
