#pragma once

#include <filesystem>
#include <string_view>

namespace plimo {

// Who may read a file that a replacement creates; a file that exists keeps its own permissions.
enum class NewFileReaders { OwnerOnly, Everyone };

// Replaces the file's contents with the bytes so that the file is, at every moment, either wholly the old one or
// wholly the new one: the bytes go to a temporary file in the same folder, are flushed to the disk, and the
// temporary file takes the file's place by rename. A file or folder without its owner's write permission counts as
// a failure even for a user, such as root, whom the system would let write. False on any failure, and then the
// file is as it was and no temporary file is left.
bool ReplaceFileContents(const std::filesystem::path& file, std::string_view bytes, NewFileReaders readers);

}  // namespace plimo
