#pragma once
// Writing a file so that the old content is replaced only once the new content is complete: the
// bytes go to a temporary file in the same folder, are flushed to the disk, and the temporary file
// is then renamed over the target. A crash or a full disk leaves the previous file as it was.

#include <string>
#include <string_view>

namespace drumo {

// Creates the missing folders of `path` and writes `bytes` as described. On failure returns false,
// removes the temporary file and puts a short reason (from the system) into `error` when given.
bool WriteFileSafely(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// Reads at most `limit` bytes of a file. False when it cannot be opened or is larger than the limit.
bool ReadSmallFile(const std::string& path, std::string& bytes, size_t limit);

// Creates a folder and its missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& folder);

}  // namespace drumo
