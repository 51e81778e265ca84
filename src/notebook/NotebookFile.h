#pragma once
// Notebook files (".dmn"): the notebook table as Windows-1251 text with CR LF line ends, signed
// by a hash chain over its lines.
//
//   1  "[dmn] Created by Drumo " + version + " " + dd.mm.yy + " " + hh:nn:ss
//   2  the warning that changes break the electronic signature
//   3  " "
//   4  the header text: the identity of the device the notebook came from (may be empty)
//   5  " "
//   6  per record three lines: row A's cells, row B's cells in the same columns (each cell
//      followed by a TAB), and a line holding one TAB
//   7  " "
//   8  the hash after line 7
// Every line but the last updates the hash H: H := Crc16OfString(line + H) as four upper-case
// hexadecimal digits, H empty at the start.
//
// Older files lack the "[dmn]" line: all their lines are table rows, and they count as unsigned.

#include "model/DateTime.h"
#include "notebook/NotebookTable.h"

#include <functional>
#include <string>
#include <string_view>

namespace drumo {

// The whole file's bytes for a table.
std::string NotebookFileText(const NotebookTable& table, const std::string& header, const std::string& version,
                             DateTime saved);

// Writes the file safely (the old file stays whole until the new one is complete), creating the
// last folder level of its path when missing. Without `sign` the last line, the hash, is left
// out: the file then loads as unsigned.
enum class NotebookWrite { Ok, CannotCreate, WriteFailed };
NotebookWrite WriteNotebookFile(const std::string& fileName, const NotebookTable& table, const std::string& header,
                                const std::string& version, DateTime saved, bool sign = true);

// What reading a notebook file gave.
enum class NotebookFileStatus {
    Ok,
    NotNotebook,  // the name does not end in "dmn", or the file could not be read as one
    CannotOpen,   // no such file, no regular file, no right to read it
    NoData,       // fewer than two table rows
};
struct NotebookFileResult {
    NotebookFileStatus Status = NotebookFileStatus::NotNotebook;
    bool Signed = false;
    bool Legacy = false;  // without the "[dmn]" line
    std::string Header;
    int Records = 0;      // R = table rows read / 3
    // Records whose first cell is a record number ("n" + digits), as a device's notebook gives
    // them; a file of other text read as an older file has none.
    int NumberedRecords = 0;
};

// Reads a notebook file into the table (cleared first once the file is open). Cells of columns 4
// on whose last character is a digit get `mark` as their decimal separator.
NotebookFileResult ReadNotebookFile(const std::string& fileName, char mark, NotebookTable& table);

// Reads a notebook file without building a table, each table row's Windows-1251 bytes (without
// its line end) going to the handler with its row number; the result is what ReadNotebookFile
// gives for the file. The view is valid only during the call.
using NotebookRowHandler = std::function<void(int row, std::string_view bytes)>;
NotebookFileResult ScanNotebookFile(const std::string& fileName, const NotebookRowHandler& onRow);

// The table as CSV in UTF-8: a header line "record,time,cable_serial,kind,sensor,label,value", then
// one line per record and sensor; times in ISO 8601 (empty when the record has none), numbers
// with ".", fields holding a comma or a quote in quotes.
std::string NotebookCsv(const NotebookTable& table);

// Whether a name may be a notebook file: at least 3 characters, ending in "dmn" in any case.
bool HasNotebookEnding(const std::string& fileName);

}  // namespace drumo
