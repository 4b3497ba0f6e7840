#pragma once

#include <filesystem>
#include <string_view>

namespace plimo {

// Who may read the file. OwnerOnly: every replacement leaves it to its owner alone (on Windows, the running user
// and the system), whatever it or its folder allowed before. Everyone: a new file is readable by all (on Windows,
// by whom its folder allows), and a file that exists keeps its own permissions.
enum class NewFileReaders { OwnerOnly, Everyone };

// Replaces the file's contents with the bytes so that the file is, at every moment, either wholly the old one or
// wholly the new one: the bytes go to a temporary file in the same folder, are flushed to the disk, and the
// temporary file takes the file's place by rename. A file or folder without its owner's write permission counts as
// a failure even for a user, such as root, whom the system would let write. A link is written through to its
// target, except that root follows none in a folder that another user owns: there a link is a failure. False on
// any failure, and then the file is as it was and no temporary file is left; only on Windows, where a failed
// replacement can take the old file away, does the temporary file stay while it is the one copy of the contents.
bool ReplaceFileContents(const std::filesystem::path& file, std::string_view bytes, NewFileReaders readers);

}  // namespace plimo
