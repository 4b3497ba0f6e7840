#include "platform/autostart_entry.h"

#include <string_view>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/atomic_file.h"

namespace plimo {
namespace {

constexpr std::string_view kExtension = ".desktop";

// The name becomes a file name in a system folder: nothing that could lead out of it.
bool isUsableName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == name.npos;
}

}  // namespace

std::string DesktopExecValue(const std::filesystem::path& executable) {
    // Two layers: the argument is quoted (with ", `, $ and \ escaped by a backslash, % doubled), and the
    // whole value then follows the format's string escapes, which double every backslash once more.
    std::string quoted = "\"";
    for (const char c : executable.string()) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        } else if (c == '%') {
            quoted += '%';
        }
        quoted += c;
    }
    quoted += '"';

    std::string value;
    for (const char c : quoted) {
        switch (c) {
            case '\\':
                value += "\\\\";
                break;
            case '\n':
                value += "\\n";
                break;
            case '\t':
                value += "\\t";
                break;
            case '\r':
                value += "\\r";
                break;
            default:
                value += c;
        }
    }
    return value;
}

std::string AutostartEntryText(const std::filesystem::path& executable) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Plimo\n"
           "Comment=Site statistics widget\n"
           "Exec=" +
           DesktopExecValue(executable) +
           "\n"
           "Icon=plimo\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

void SetAutostartEntry(const std::filesystem::path& folder, std::string_view name, bool remove,
                       const std::filesystem::path& executable) {
    try {
        if (!isUsableName(name) || (!remove && executable.empty())) {
            return;
        }
        const std::string fileName = std::string(name) + std::string(kExtension);
        if (!remove &&
            !ReplaceFileContents(folder / fileName, AutostartEntryText(executable), NewFileReaders::Everyone)) {
            return;
        }
        std::error_code error;
        std::vector<std::filesystem::path> matches;
        for (auto it = std::filesystem::directory_iterator(folder, error);
             !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
            const std::string entry = it->path().filename().string();
            if (!entry.ends_with(kExtension) || (!remove && entry == fileName)) {
                continue;
            }
            const std::string_view stem(entry.data(), entry.size() - kExtension.size());
            if (EqualIgnoringAsciiCase(stem, name) && !it->is_directory(error)) {
                matches.push_back(it->path());
            }
        }
        for (const auto& match : matches) {
            std::filesystem::remove(match, error);
        }
    } catch (...) {
        // Registration is a convenience: nothing about it may disturb the program.
    }
}

}  // namespace plimo
