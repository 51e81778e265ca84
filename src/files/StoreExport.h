#pragma once
// Exports of the whole measurement store for spreadsheets and other tools: the ".xls" worksheet
// of the main window's "Экспорт в Excel", and CSV (UTF-8, ISO 8601 times, one row per sample).

#include <string>
#include <string_view>

#include "files/XlsWriter.h"
#include "base/Services.h"
#include "model/Store.h"

namespace drumo {

// The sheet: a header label in row 1, then per device a row with model and serial, per cable a
// row with its serial, unit and sensor labels, and one row per sample. Rows beyond the last row
// of a worksheet and sensors beyond its last column are left out (the function then returns
// false); nothing is written over another cell.
bool BuildStoreSheet(const MeasurementStore& store, TXlsWriter& writer, std::string_view programVersion,
                     DateTime now);

// What BuildStoreSheet leaves out of a store too large for one worksheet: rows past the last row
// (device, cable and sample rows alike) and sensors past the last column, counted per cable.
struct SheetOverflow {
    long Rows = 0;
    size_t Sensors = 0;
};
SheetOverflow StoreSheetOverflow(const MeasurementStore& store);

// The export command after the save dialog: ".xls" given to the name, the replace question, the
// sheet built and saved, the log lines and messages. Returns the file name written, or "" when
// nothing was written. The caller then opens the file for the operator.
std::string ExportXls(const MeasurementStore& store, Operator& op, EventLog& log, const Clock& clock,
                      std::string_view programVersion, const std::string& chosenName);

// CSV text of the whole store.
std::string StoreCsv(const MeasurementStore& store);

// "yyyy-mm-ddThh:nn:ss" of a DateTime.
std::string IsoDateTime(DateTime value);

}  // namespace drumo
