#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace plimo {

// Why a file that exists could not be read.
enum class FileReadFailure {
    None,
    Missing,   // no such file: not a failure for a settings file, which the first save creates
    NoAccess,  // the user may not read it
    InUse,     // another program holds it
    Offline,   // a cloud folder's file that is not on this computer
    NotAFile,  // a folder or a device where the file should be
    Other,
};

struct FileReadResult {
    std::string bytes;
    FileReadFailure failure = FileReadFailure::None;
    std::uint32_t systemError = 0;  // the system's own code, for the failures it names
};

// The whole file's bytes as they are.
FileReadResult ReadWholeFile(const std::filesystem::path& file);

}  // namespace plimo
