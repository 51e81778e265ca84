#pragma once
// Archive files for drumo-cli: reading one into a store as the desktop program does, without
// questions, and what the reading says about the file.

#include <iosfwd>
#include <string>

#include "files/ArchiveFormat.h"
#include "model/Store.h"

namespace drumo::cli {

// Reads a ".dml" or ".dmr" file (by its ending) into the store after the devices already there.
// An unknown ending gives a result that was not opened.
ArchiveResult LoadArchiveInto(MeasurementStore& store, const std::string& fileName);

// Why `file` is not even tried as an archive: it is missing or unreadable (the system's reason),
// not a regular file (a FIFO would block the reader, a device would never end), or not named
// ".dml" or ".dmr". "" when it can be read.
std::string ArchiveInputProblem(const std::string& file);

// The exit status of a file that was read, the worst first: kExitUnreadable (not opened, no
// device), kExitDamaged (not read to its end, damaged records), kExitUnsigned (no confirmed
// signature, or a format without one), else kExitOk. `why` gets a sentence about the file when
// it is not good.
// "signed", "unsigned" or "none" (a format without a signature). A file that gave no device is
// never called signed.
const char* SignatureText(const ArchiveResult& r);

int ArchiveStatus(const std::string& file, const ArchiveResult& r, std::string& why);

// Notebook files (".dmn") for verify and export. Each reports on `out` and `err` as those
// subcommands do and returns the file's exit status: kExitUnreadable (missing, no notebook file,
// no data), kExitUnsigned, kExitOk; the export also kExitFailed when the output cannot be written.
int VerifyNotebookFile(const std::string& file, std::ostream& out, std::ostream& err);
int ExportNotebookCsv(const std::string& file, const std::string& target, std::ostream& out, std::ostream& err);

}  // namespace drumo::cli
