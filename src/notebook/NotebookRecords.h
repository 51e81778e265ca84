#pragma once
// How the notebook memory becomes table rows: the records of a logger's notebook (16-bit words),
// the nine pages of the Hexar-1/16, and the info panel's six lines.
//
// Record layout, record after record from word 0:
//   0 record number, 1 cable serial (0: none), 2 kind * 256 + sensor count n (kind 0 when there
//   is no serial), 3 seconds * 256 + minutes, 4 hours * 256 + day, 5 month * 256 + year - 2000,
//   then per sensor its label (kinds 0, 3 number; 1 tenths of a metre; 2 metres; 4 quantity
//   code) and its value in hundredths.

#include "notebook/NotebookTable.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace drumo {

// What the device says about its notebook.
struct NotebookInfo {
    int Records = 0;     // R
    int MaxRecords = 0;  // 0 when the device does not say
    int UsedWords = 0;   // U
    int SizeWords = 0;   // S
    int Voltage = 0;     // hundredths of a volt
    int AutoWrite = 0;   // 0 off
};

// The text of a kind in column 3 of row A; "" for a kind above 4.
std::string KindUnitText(int kind);
// The kind named by a column-3 text of row A; -1 for another text.
int KindOfUnitText(std::string_view text);

// Fills the table with records 0..records-1 parsed from the words (the table is cleared first
// and gets 3R rows when R > 0). Parsing stops at the end of the words: a record that runs past
// them keeps what was read of it.
void ParseRecords(std::span<const int16_t> words, int records, char mark, NotebookTable& table);

// How many of the first `records` records lie wholly within the words: a read that ended early
// keeps these and leaves out the record it cut short.
int WholeRecords(std::span<const int16_t> words, int records);

// A page of the Hexar-1/16 (54 bytes). Returns false for an empty page (sensor count 0) and
// fills rows A and B of page row `index` (from 0) with page number `page` (from 1) otherwise.
bool ParsePage(std::span<const uint8_t, 54> page, int index, int pageNumber, char mark, NotebookTable& table);

// The info panel after Info.
std::array<std::string, 6> InfoPanelLines(const NotebookInfo& info, char mark);
// The info panel after a page read of `pages` filled pages.
std::array<std::string, 6> PagePanelLines(int pages, char mark);

}  // namespace drumo
