#pragma once
// Sensor files (.dms): the correction table saved as text, one line per sensor, and read back.
// The messages name the real reason of a failure in the operator's language.

#include "base/Services.h"
#include "calibration/CorrectionTable.h"

#include <string>

namespace drumo {

// The file dialogs' filters of sensor files: saving, opening.
inline constexpr const char* SensorSaveFilter = "*.dms|*.dms|*.xls|*.xls|Все файлы|*.*";
inline constexpr const char* SensorOpenFilter = "*.dms|*.dms|Все файлы|*.*";

// Sensor files are a few kilobytes; anything above this is not one.
inline constexpr size_t SensorFileLimit = 1 << 20;

// The save dialog's choice: the file name with the extension its filter forces (filter 1 or 3
// ".dms", 2 ".xls").
std::string SensorFileTarget(const std::string& path, int filterIndex);
// Writes the sensor file, asking before a file that exists is replaced; a missing last folder is
// created. False (with the reason shown) when not written.
bool SaveSensorFile(const std::string& path, const CorrectionTable& table, Operator& op);
// Reads a sensor file into the table. False (with the error shown) when it is no sensor file or
// cannot be read; the table then stays as it was.
bool LoadSensorFile(const std::string& path, CorrectionTable& table, Operator& op);

// The reason of a file failure as the system or the safe file layer gave it, in Russian where it
// is one of the usual ones; other texts come back unchanged.
std::string FileReasonText(const std::string& reason);

}  // namespace drumo
