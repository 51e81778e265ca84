#pragma once
// Texts of the main window's device panel, cable selector and temperature table, and the texts the
// same rows give the report and the time graph. Temperatures and labels are hundredths; `mark` is
// the decimal separator in force.

#include <cstdint>
#include <string>

#include "model/Formats.h"
#include "model/Store.h"

namespace drumo {

// "Номер:" of the device panel: the serial padded to 5 digits, followed by the year of
// manufacture when it is a real one (2010..2098).
std::string DeviceNumberText(unsigned serial, unsigned year);

// "Подкл. датчиков:" of the device panel.
std::string ConnectedText(unsigned cables, unsigned sensors);

// One item of the cable selector: cable i (from 0) of `count` cables.
std::string CableItemText(int i, int count, int cableSerial, int kind, int sensors);
inline const char* kNoCableItem = "Not connected";

// Headings of the label and value columns of the temperature table for a cable kind.
std::string LabelHeader(int kind);
std::string ValueHeader(int kind);

// Name of the quantity of a multi-parameter probe's slot, by its label.
std::string QuantityName(int label);

// Label cell of sensor row i (from 1) of the temperature table.
std::string LabelCellText(int kind, int label, char mark);

// Value cell of the temperature table and of the report.
std::string TableValueText(int value, char mark);
std::string ReportValueText(int value, char mark);

// Report heading and column heading, time graph line caption and left axis caption.
std::string ReportHeading(int cableSerial, int sensors);
std::string ReportColumnHeading(int kind, int label, char mark);
std::string GraphLineCaption(int kind, int row, int label, char mark);
std::string GraphAxisCaption(int kind);

// Bounds of the length trend's position axis from the first and last label of the cable.
int PositionAxisLow(int firstLabel);
int PositionAxisHigh(int lastLabel);

// "Измерений: " line of the time graph's status bar.
std::string CountsText(unsigned samples, unsigned shown);

}  // namespace drumo
