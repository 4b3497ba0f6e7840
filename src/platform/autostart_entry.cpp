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

// The "*.desktop" files of the folder whose names before the extension match without regard to letter case.
std::vector<std::filesystem::path> entriesNamed(const std::filesystem::path& folder, std::string_view name) {
    std::vector<std::filesystem::path> matches;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator(folder, error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (!entry.ends_with(kExtension)) {
            continue;
        }
        const std::string_view stem(entry.data(), entry.size() - kExtension.size());
        std::error_code typeError;
        if (EqualIgnoringAsciiCase(stem, name) && !it->is_directory(typeError)) {
            matches.push_back(it->path());
        }
    }
    return matches;
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

std::string HiddenAutostartEntryText() {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Plimo\n"
           "Hidden=true\n";
}

AutostartFolders AutostartFoldersFor(const char* xdgConfigHome, const char* home, const char* xdgConfigDirs) {
    AutostartFolders folders;
    const auto absolute = [](const char* text) { return text != nullptr && text[0] == '/'; };
    if (absolute(xdgConfigHome)) {
        folders.user = std::filesystem::path(xdgConfigHome) / "autostart";
    } else if (absolute(home)) {
        folders.user = std::filesystem::path(home) / ".config" / "autostart";
    }
    const std::string_view dirs = xdgConfigDirs != nullptr && xdgConfigDirs[0] != '\0' ? xdgConfigDirs : "/etc/xdg";
    std::size_t begin = 0;
    while (begin <= dirs.size()) {
        std::size_t end = dirs.find(':', begin);
        if (end == dirs.npos) {
            end = dirs.size();
        }
        const std::string_view dir = dirs.substr(begin, end - begin);
        if (dir.starts_with('/')) {
            folders.system.push_back(std::filesystem::path(dir) / "autostart");
        }
        begin = end + 1;
    }
    return folders;
}

void SetAutostartEntry(const AutostartFolders& folders, std::string_view name, bool remove,
                       const std::filesystem::path& executable) {
    try {
        if (!isUsableName(name) || folders.user.empty() || (!remove && executable.empty())) {
            return;
        }
        const std::string fileName = std::string(name) + std::string(kExtension);
        std::error_code error;
        if (!remove) {
            std::filesystem::create_directories(folders.user, error);
            if (!ReplaceFileContents(folders.user / fileName, AutostartEntryText(executable),
                                     NewFileReaders::Everyone)) {
                return;
            }
        }
        for (const auto& match : entriesNamed(folders.user, name)) {
            if (remove || match.filename() != fileName) {
                std::filesystem::remove(match, error);
            }
        }
        // A system-wide entry serves every user and is never changed here, even where the rights would allow it:
        // the user's entry of the very same file name overrides it, and one with Hidden=true masks it for this
        // user alone.
        for (const auto& system : folders.system) {
            for (const auto& match : entriesNamed(system, name)) {
                if (!remove && match.filename() == fileName) {
                    continue;
                }
                std::filesystem::create_directories(folders.user, error);
                ReplaceFileContents(folders.user / match.filename(), HiddenAutostartEntryText(),
                                    NewFileReaders::Everyone);
            }
        }
    } catch (...) {
        // Registration is a convenience: nothing about it may disturb the program.
    }
}

}  // namespace plimo
