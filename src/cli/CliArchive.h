#pragma once
// Archive files for drumo-cli: reading one into a store as the desktop program does, without
// questions.

#include <string>

#include "files/ArchiveFormat.h"
#include "model/Store.h"

namespace drumo::cli {

// Reads a ".dml" or ".dmr" file (by its ending) into the store after the devices already there.
// An unknown ending gives a result that was not opened.
ArchiveResult LoadArchiveInto(MeasurementStore& store, const std::string& fileName);

}  // namespace drumo::cli
