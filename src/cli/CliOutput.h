#pragma once
// Files drumo-cli writes. The safe writer puts a new file in place by renaming it over the old
// name, which would silently turn a device node, a FIFO or a symbolic link into a regular file,
// and would replace an input or an archive without a question. So a target must be a new name or
// an existing regular file, never one of the files being read, and an existing archive file only
// when the operator asked for it.

#include <string>
#include <string_view>
#include <vector>

#include "model/Store.h"

namespace drumo::cli {

// "" when `target` may be written; otherwise why not, naming the target. `replaceArchive` is the
// operator's --replace: it allows replacing an existing signed or kept file, nothing else.
std::string OutputRefusal(const std::string& target, const std::vector<std::string>& inputs, bool replaceArchive);

// Writes the bytes safely, creating a missing last folder level. On failure `reason` holds the
// system's reason ("No space left on device", ...).
bool WriteOutput(const std::string& target, std::string_view bytes, std::string& reason);

// The whole store as a signed ".dml" file, written the same way.
bool WriteArchiveOutput(const MeasurementStore& store, const std::string& target, std::string& reason);

}  // namespace drumo::cli
