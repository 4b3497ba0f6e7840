#include "platform/profile.h"

#include <utility>

#include "platform/ascii_case.h"
#include "platform/atomic_file.h"

namespace plimo {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::size_t textStart(std::string_view text) {
    return text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

// Where a key stands in the text, or, when it is absent, where a write would add it.
struct KeyPlace {
    bool sectionFound = false;
    bool keyFound = false;
    std::size_t valueBegin = 0;  // the value without the blanks around it
    std::size_t valueEnd = 0;
    std::size_t insertAt = 0;  // the start of the line after the section's last key line, or after its header
};

// One pass over the lines, stopping at the key or at the end of the first section of the name: linear in the size
// of the text, whatever its lines look like.
KeyPlace locate(std::string_view text, std::string_view section, std::string_view key) {
    KeyPlace place;
    bool inSection = false;
    std::size_t pos = textStart(text);
    while (pos < text.size()) {
        const std::size_t newline = text.find('\n', pos);
        const std::size_t next = newline == std::string_view::npos ? text.size() : newline + 1;
        std::size_t end = newline == std::string_view::npos ? text.size() : newline;
        if (end > pos && text[end - 1] == '\r') {
            --end;
        }
        std::size_t first = pos;
        while (first < end && isBlank(text[first])) {
            ++first;
        }
        const std::string_view line = text.substr(first, end - first);

        if (!line.empty() && line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                if (inSection) {
                    break;
                }
                if (EqualIgnoringAsciiCase(trimmed(line.substr(1, close - 1)), section)) {
                    inSection = true;
                    place.sectionFound = true;
                    place.insertAt = next;
                }
                pos = next;
                continue;
            }
        }
        if (inSection) {
            const std::size_t equals = line.find('=');
            if (equals != std::string_view::npos) {
                if (EqualIgnoringAsciiCase(trimmed(line.substr(0, equals)), key)) {
                    std::size_t valueBegin = first + equals + 1;
                    std::size_t valueEnd = end;
                    while (valueBegin < valueEnd && isBlank(text[valueBegin])) {
                        ++valueBegin;
                    }
                    while (valueEnd > valueBegin && isBlank(text[valueEnd - 1])) {
                        --valueEnd;
                    }
                    place.keyFound = true;
                    place.valueBegin = valueBegin;
                    place.valueEnd = valueEnd;
                    return place;
                }
                place.insertAt = next;
            }
        }
        pos = next;
    }
    return place;
}

// New lines follow the file's own line end; a new file gets the platform's CR LF.
std::string_view lineEndOf(std::string_view text) {
    const std::size_t newline = text.find('\n');
    if (newline == std::string_view::npos) {
        return "\r\n";
    }
    return newline > 0 && text[newline - 1] == '\r' ? "\r\n" : "\n";
}

bool breaksLine(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != text.npos;
}

// A name must read back as itself: one line, no blanks at its ends that a read would drop.
bool isWritableName(std::string_view name) {
    return !name.empty() && !breaksLine(name) && trimmed(name) == name;
}

bool isWritableKey(std::string_view key) {
    return isWritableName(key) && key.find('=') == key.npos && key.front() != '[';
}

// The reader drops the blanks around a value and one matching pair of quotes; a value that would lose either is
// written inside one more pair of double quotes, so that it reads back exactly as it was written.
std::string storedForm(std::string_view value) {
    const bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    const bool blankEnds = !value.empty() && (isBlank(value.front()) || isBlank(value.back()));
    if (quoted || blankEnds) {
        return "\"" + std::string(value) + "\"";
    }
    return std::string(value);
}

}  // namespace

ProfileFile::ProfileFile(std::filesystem::path file) : m_file(std::move(file)) {
    try {
        FileReadResult result = ReadWholeFile(m_file);
        m_readFailure = result.failure == FileReadFailure::Missing ? FileReadFailure::None : result.failure;
        m_systemError = result.systemError;
        m_text = std::move(result.bytes);
    } catch (...) {
        m_readFailure = FileReadFailure::Other;
    }
    m_readable = m_readFailure == FileReadFailure::None;
    if (!m_readable) {
        m_text.clear();
    }
}

std::string ProfileFile::read(std::string_view section, std::string_view key, std::string_view defaultValue) const {
    const KeyPlace place = m_readable ? locate(m_text, section, key) : KeyPlace{};
    if (!place.keyFound) {
        // The platform drops trailing blanks from the default too.
        while (!defaultValue.empty() && defaultValue.back() == ' ') {
            defaultValue.remove_suffix(1);
        }
        return std::string(defaultValue.substr(0, kMaxValueLength));
    }
    std::string_view value(m_text.data() + place.valueBegin, place.valueEnd - place.valueBegin);
    value = value.substr(0, value.find('\0'));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, kMaxValueLength));
}

bool ProfileFile::write(std::string_view section, std::string_view key, std::string_view value) {
    if (!m_readable || !isWritableName(section) || !isWritableKey(key) || breaksLine(value)) {
        return false;
    }
    const std::string stored = storedForm(value);
    const KeyPlace place = locate(m_text, section, key);
    if (place.keyFound) {
        m_text.replace(place.valueBegin, place.valueEnd - place.valueBegin, stored);
        return true;
    }
    const std::string_view lineEnd = lineEndOf(m_text);
    const std::size_t insertAt = place.sectionFound ? place.insertAt : m_text.size();
    std::string lines;
    if (insertAt > textStart(m_text) && m_text[insertAt - 1] != '\n') {
        lines += lineEnd;
    }
    if (!place.sectionFound) {
        lines.append("[").append(section).append("]").append(lineEnd);
    }
    lines.append(key).append("=").append(stored).append(lineEnd);
    m_text.insert(insertAt, lines);
    return true;
}

bool ProfileFile::commit() {
    return m_readable && ReplaceFileContents(m_file, m_text, NewFileReaders::OwnerOnly);
}

std::string ReadProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue) {
    return ProfileFile(file).read(section, key, defaultValue);
}

bool WriteProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view value) {
    ProfileFile profile(file);
    return profile.write(section, key, value) && profile.commit();
}

}  // namespace plimo
