#pragma once

#include <functional>

#include "platform/atomic_file.h"

namespace plimo {

// The system calls of a replacement on Windows that a test can make fail, as a scanner, an indexer or the file
// system may.
enum class ReplaceCall { CreateTemporary, WriteTemporary, SetAccess, Replace, Move };

// Asked before each such call: 0 lets it run; any other value is the error code the call then fails with instead.
using ReplaceCallFault = std::function<unsigned long(ReplaceCall)>;

// ReplaceFileContents with each of those calls first put to the fault.
bool ReplaceFileContentsWithFaults(const std::filesystem::path& file, std::string_view bytes, NewFileReaders readers,
                                   const ReplaceCallFault& fault);

}  // namespace plimo
