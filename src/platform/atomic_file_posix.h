#pragma once

#include <sys/types.h>

#include "platform/atomic_file.h"

namespace plimo {

// ReplaceFileContents as the given effective user would run it: which links may be followed depends on whether
// that user is root, and a test should not have to be root to see the decision.
bool ReplaceFileContentsAs(uid_t effectiveUser, const std::filesystem::path& file, std::string_view bytes,
                           NewFileReaders readers);

}  // namespace plimo
