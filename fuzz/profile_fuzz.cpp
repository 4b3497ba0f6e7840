// Reads arbitrary bytes as an INI file, writes keys into it, saves it and reads it again. Checked after every write:
// the text changed only by the new value in the key's own line, or by new lines inserted at one line boundary (the
// key line, after a new section header when the section was missing); every other byte, and so every line not
// written, is as it was. Checked at the end: the saved file holds exactly that text, and every written key reads
// back with its last value.
//
// Input: the file's bytes, then optionally two NUL bytes and a script of writes, one a line, each "section", 0x01,
// "key", 0x01, "value". Without a script the settings' own thirteen keys are written to section OPTIONS, as a save
// does.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "platform/profile.h"

namespace plimo::fuzz {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kMaxValueLength = 2047;

struct Write {
    std::string section;
    std::string key;
    std::string value;
};

// A folder of this process's own, on a memory file system where there is one: every input saves a file.
class WorkFolder {
public:
    WorkFolder() {
        std::filesystem::path base;
        if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) {
            base = tmp;
        } else if (std::filesystem::is_directory("/dev/shm")) {
            base = "/dev/shm";
        } else {
            base = std::filesystem::temp_directory_path();
        }
        m_path = base / ("plimo-profile-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_path);
    }
    ~WorkFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::filesystem::path file() const { return m_path / "config.ini"; }

private:
    std::filesystem::path m_path;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool IsValidName(std::string_view name) {
    return !name.empty() && !HasLineBreak(name) && Trimmed(name) == name;
}

bool IsValidWrite(const Write& write) {
    return IsValidName(write.section) && IsValidName(write.key) && write.key.find('=') == std::string::npos &&
           write.key.front() != '[' && !HasLineBreak(write.value);
}

// What the line holds for a value: one the reader would change (blanks at its ends, or a matching pair of quotes
// around it) goes inside one more pair of double quotes.
std::string StoredForm(std::string_view value) {
    const bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    if (quoted || Trimmed(value) != value) {
        return "\"" + std::string(value) + "\"";
    }
    return std::string(value);
}

// Every written value reads back as it was written, but for the 2047-character cut.
bool ReadsBackUnchanged(std::string_view value) {
    return value.size() <= kMaxValueLength;
}

std::size_t TextStart(std::string_view text) {
    return text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

// Whether a line "[name]" (blanks allowed around the name and in front of the line) names the section.
bool HasSection(std::string_view text, std::string_view section) {
    std::size_t pos = TextStart(text);
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        while (!line.empty() && IsBlank(line.front())) {
            line.remove_prefix(1);
        }
        const std::size_t close = line.rfind(']');
        if (line.starts_with('[') && close != std::string_view::npos &&
            Lower(Trimmed(line.substr(1, close - 1))) == Lower(section)) {
            return true;
        }
        pos = next;
    }
    return false;
}

std::string_view LineEndOf(std::string_view text) {
    const std::size_t newline = text.find('\n');
    if (newline == std::string_view::npos) {
        return "\r\n";
    }
    return newline > 0 && text[newline - 1] == '\r' ? "\r\n" : "\n";
}

bool IsPresent(const ProfileFile& profile, std::string_view section, std::string_view key) {
    return profile.read(section, key, "\x01") != "\x01" || profile.read(section, key, "\x02") != "\x02";
}

std::size_t CommonPrefix(std::string_view a, std::string_view b) {
    std::size_t n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n]) {
        ++n;
    }
    return n;
}

std::size_t CommonSuffix(std::string_view a, std::string_view b) {
    std::size_t n = 0;
    while (n < a.size() && n < b.size() && a[a.size() - 1 - n] == b[b.size() - 1 - n]) {
        ++n;
    }
    return n;
}

std::string Describe(const Write& write, std::string_view before, std::string_view after) {
    return "writing [" + Escaped(write.section) + "] " + Escaped(write.key) + " = " + Escaped(write.value) +
           "\nbefore: " + Escaped(before) + "\nafter:  " + Escaped(after);
}

// The value was replaced in the key's own line: after = before[0, B) + value + before[B + D, end), where the old
// value before[B, B + D) lies on one line behind "key =" (and blanks). Within the bounds that the common prefix and
// suffix set for B, the parts in front of and behind the value agree by construction.
bool IsReplacementIn(std::string_view before, std::string_view after, const Write& write) {
    const std::string stored = StoredForm(write.value);
    if (after.size() > before.size() + stored.size()) {
        return false;
    }
    const std::size_t oldLength = before.size() + stored.size() - after.size();
    const std::size_t prefix = CommonPrefix(before, after);
    const std::size_t suffix = CommonSuffix(before, after);
    const std::size_t lowest = before.size() - oldLength > suffix ? before.size() - oldLength - suffix : 0;
    for (std::size_t begin = lowest; begin <= prefix && begin + oldLength <= before.size(); ++begin) {
        if (after.substr(begin, stored.size()) != stored ||
            before.substr(begin, oldLength).find('\n') != std::string_view::npos) {
            continue;
        }
        const std::size_t lineStart = begin == 0 ? 0 : before.rfind('\n', begin - 1) + 1;
        std::string_view head = before.substr(lineStart, begin - lineStart);
        if (lineStart == 0 && head.starts_with(kByteOrderMark)) {
            head.remove_prefix(kByteOrderMark.size());
        }
        const std::size_t equals = head.find('=');
        if (equals != std::string_view::npos && Lower(Trimmed(head.substr(0, equals))) == Lower(write.key) &&
            Trimmed(head.substr(equals + 1)).empty()) {
            return true;
        }
    }
    return false;
}

// New lines went in at one line boundary: the key line, behind a new header when the section was missing (and then
// at the end), and behind a line end when the text's last line had none. As above, the bounds on the place make the
// parts around the new lines agree.
bool IsInsertionIn(std::string_view before, std::string_view after, const Write& write, bool newSection) {
    const std::string_view lineEnd = LineEndOf(before);
    std::string lines;
    if (newSection) {
        lines.append("[").append(write.section).append("]").append(lineEnd);
    }
    lines.append(write.key).append("=").append(StoredForm(write.value)).append(lineEnd);
    const std::size_t prefix = CommonPrefix(before, after);
    const std::size_t suffix = CommonSuffix(before, after);
    const std::size_t first = newSection ? before.size() : (before.size() > suffix ? before.size() - suffix : 0);
    for (std::size_t at = first; at <= prefix && at <= before.size(); ++at) {
        const bool atLineStart = at == before.size() || (at > 0 && before[at - 1] == '\n');
        if (!atLineStart) {
            continue;
        }
        const bool endsLine = at > TextStart(before) && before[at - 1] != '\n';
        const std::string inserted = (endsLine ? std::string(lineEnd) : std::string()) + lines;
        if (after.size() == before.size() + inserted.size() && after.substr(at, inserted.size()) == inserted) {
            return true;
        }
    }
    return false;
}

void CheckRead(const ProfileFile& profile, std::string_view section, std::string_view key) {
    const std::string value = profile.read(section, key, "default");
    FUZZ_CHECK(value.size() <= kMaxValueLength, "a value longer than 2047 characters");
    FUZZ_CHECK(value.find('\0') == std::string::npos && value.find('\n') == std::string::npos,
               "a value with a NUL or a line break: " + Escaped(value));
}

using Written = std::map<std::pair<std::string, std::string>, std::string>;

void CheckWrittenKeys(const ProfileFile& profile, const Written& written, std::string_view when) {
    for (const auto& [name, value] : written) {
        const std::string read = profile.read(name.first, name.second, "\x01missing");
        FUZZ_CHECK(read == value, std::string(when) + ": [" + Escaped(name.first) + "] " + Escaped(name.second) +
                                      " reads " + Escaped(read) + " instead of " + Escaped(value) + " from " +
                                      Escaped(profile.text()));
    }
}

void CheckWrite(ProfileFile& profile, const Write& write, Written& written) {
    CheckRead(profile, write.section, write.key);
    const std::string before = profile.text();
    const bool present = IsPresent(profile, write.section, write.key);
    const bool newSection = !HasSection(before, write.section);
    const bool done = profile.write(write.section, write.key, write.value);
    const std::string& after = profile.text();

    FUZZ_CHECK(done == IsValidWrite(write), Describe(write, before, after) + (done ? "\naccepted" : "\nrefused"));
    if (!done) {
        FUZZ_CHECK(after == before, "a refused write changed the text\n" + Describe(write, before, after));
        return;
    }
    if (present) {
        FUZZ_CHECK(IsReplacementIn(before, after, write),
                   "not a replacement in the key's line\n" + Describe(write, before, after));
    } else {
        FUZZ_CHECK(IsInsertionIn(before, after, write, newSection),
                   "not an insertion of whole lines\n" + Describe(write, before, after));
    }
    if (ReadsBackUnchanged(write.value)) {
        written[{Lower(write.section), Lower(write.key)}] = write.value;
    } else {
        written.erase({Lower(write.section), Lower(write.key)});
    }
}

std::vector<Write> ScriptFrom(std::string_view script) {
    std::vector<Write> writes;
    while (!script.empty() && writes.size() < 32) {
        const std::size_t end = script.find('\n');
        std::string_view line = script.substr(0, end);
        script = end == std::string_view::npos ? std::string_view() : script.substr(end + 1);
        Write write;
        std::string* fields[] = {&write.section, &write.key, &write.value};
        for (std::size_t i = 0; i < 3; ++i) {
            const std::size_t separator = i < 2 ? line.find('\x01') : std::string_view::npos;
            *fields[i] = std::string(line.substr(0, separator));
            line = separator == std::string_view::npos ? std::string_view() : line.substr(separator + 1);
        }
        writes.push_back(std::move(write));
    }
    return writes;
}

// What a save writes, in its order.
std::vector<Write> SettingsSave() {
    return {
        {"OPTIONS", "autostart", "1"},
        {"OPTIONS", "sitename", "example.com"},
        {"OPTIONS", "sitehttp", "http://example.com/"},
        {"OPTIONS", "lindx", "https://www.liveinternet.ru/stat/example.com/index.html"},
        {"OPTIONS", "pass", "p@ss word;=x"},
        {"OPTIONS", "color", "clBlack"},
        {"OPTIONS", "colorf1", "$0080FFFF"},
        {"OPTIONS", "colorf2", "$00F3ED07"},
        {"OPTIONS", "blend", "193"},
        {"OPTIONS", "up", "-1"},
        {"OPTIONS", "cx", "-100"},
        {"OPTIONS", "cy", "963"},
        {"OPTIONS", "fs", "0"},
    };
}

}  // namespace
}  // namespace plimo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plimo;
    using namespace plimo::fuzz;
    static const WorkFolder folder;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find(std::string_view("\0\0", 2));
    const std::string_view fileBytes = input.substr(0, split);
    const std::vector<Write> writes =
        split == std::string_view::npos ? SettingsSave() : ScriptFrom(input.substr(split + 2));

    const std::filesystem::path file = folder.file();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(fileBytes.data(), static_cast<std::streamsize>(fileBytes.size()));
        FUZZ_CHECK(out.flush().good(), "could not write the input file");
    }

    ProfileFile profile(file);
    FUZZ_CHECK(profile.text() == fileBytes, "the file was not read whole");
    Written written;
    for (const Write& write : writes) {
        CheckWrite(profile, write, written);
    }
    CheckWrittenKeys(profile, written, "after the writes");

    FUZZ_CHECK(profile.commit(), "saving failed");
    const ProfileFile saved(file);
    FUZZ_CHECK(saved.text() == profile.text(), "the saved file differs from the text written");
    CheckWrittenKeys(saved, written, "after saving");
    return 0;
}
