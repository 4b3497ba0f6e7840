#pragma once

#include "platform/file_read.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace plimo {

// An INI file read and written as the Windows private-profile functions treat it, and the settings rely on:
// - Section and key names match without regard to (ASCII) letter case; blanks around names and values are dropped;
//   a value in a matching pair of quotes (" or ') is given without them; a value is cut to 2047 characters.
// - An absent file, section or key gives the default; a key present with an empty value gives the empty text.
// - A line is a key line only when it holds "="; a line whose first non-blank character is "[" and which holds a
//   "]" is a section header. Nothing else is special: comments, blank lines and odd lines are kept as they are.
// - Of duplicate sections and keys the first counts, for reading and for writing.
// - A write replaces the value in the key's own line, or adds the key after the last key line of its section, or
//   appends the section (and creates the file). Every other byte of the file stays as it was, and new lines take
//   the line end the file already uses (CR LF for a new file). A value that begins and ends with the same quote,
//   or with a blank, is written inside one more pair of double quotes: every value reads back as it was written.
// - A UTF-8 byte order mark, which editors may put in front of the first line, is kept but not read as part of it.
// - The bytes are taken as they are (the ANSI code page); a value ends at a NUL byte, as the platform's text does.
class ProfileFile {
public:
    static constexpr std::size_t kMaxValueLength = 2047;

    // Reads the whole file once. A missing file is an empty profile; a file that exists but cannot be read makes
    // every read give its default and every commit fail, so that its contents are never replaced unseen.
    explicit ProfileFile(std::filesystem::path file);

    std::string read(std::string_view section, std::string_view key, std::string_view defaultValue) const;

    // Changes the text in memory. False, and nothing changed, for a name that is empty or would not stay one name
    // in the file (a line break, a NUL, "=" in a key, a key starting with "["), or a value with a line break or NUL.
    bool write(std::string_view section, std::string_view key, std::string_view value);

    // Replaces the file with the text as it now stands, in one step (see ReplaceFileContents); a new file is
    // readable by its owner only. False on failure, and then the file is as it was.
    bool commit();

    // Commits go to another file from now on: the text read from one place is saved in another.
    void commitTo(std::filesystem::path file) { m_file = std::move(file); }

    const std::string& text() const { return m_text; }
    // Why a file that exists could not be read (None for a file read, or one that does not exist).
    FileReadFailure readFailure() const { return m_readFailure; }
    std::uint32_t systemError() const { return m_systemError; }

private:
    std::filesystem::path m_file;
    std::string m_text;
    bool m_readable = true;
    FileReadFailure m_readFailure = FileReadFailure::None;
    std::uint32_t m_systemError = 0;
};

// One read or one write, each a whole ProfileFile round.
std::string ReadProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue);
bool WriteProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace plimo
