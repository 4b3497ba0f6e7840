#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace plimo {

inline constexpr std::chrono::milliseconds kDownloadTimeLimit{10000};
// Plenty for a version line; a larger answer is no version file.
inline constexpr long long kDownloadSizeLimit = 64 * 1024;

// Copies the body found at the address into the file, whatever the answer's status. Blocks the calling thread
// (the UI thread dispatches nothing meanwhile) for at most the time limit, counted from the call: name lookup,
// connection and transfer all fall within it. An answer larger than the size limit is no download. The file is
// written only once the whole body has come (through ReplaceFileContents, readable by everyone when new): on any
// failure it is left as it was, and the answer is false.
bool DownloadFile(const std::string& address, const std::filesystem::path& file,
                  std::chrono::milliseconds timeLimit = kDownloadTimeLimit);

// Fetches the version file into the local copy (deleting an old copy first) and answers whether the version it
// names is newer than this program's. Every failure answers false; a refused download leaves no local copy.
bool CheckNewVersion(const std::string& address, const std::filesystem::path& localCopy,
                     std::chrono::milliseconds timeLimit = kDownloadTimeLimit);

}  // namespace plimo
