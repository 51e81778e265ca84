#pragma once
// The notebook window's rules without the window: reading the selected device's notebook into the
// table (info, load, stop, erase), the status bar and the info panel, notebook files, copying, and
// the records put on the graphs. The window "Блокнот" shows what this holds and calls it for
// every command; drumo-cli reads and saves notebooks through it as well, so both write the same
// file.
//
// The notebook procedures take the station's line for the notebook and give it back when done.

#include "station/Station.h"
#include "notebook/NotebookGraphs.h"
#include "notebook/NotebookRead.h"
#include "notebook/NotebookTable.h"

#include <array>
#include <span>
#include <string>
#include <vector>

namespace drumo {

// What the window shows besides the table.
class NotebookView : public NotebookProgress {
public:
    virtual void TableChanged() {}           // rows, columns or texts of the table changed
    virtual void Unsigned(bool /*pink*/) {}  // the pink background of an unsigned file, or not
    virtual void PanelLines(const std::array<std::string, 6>& /*lines*/) {}
    virtual void Status(const std::string& /*text*/) {}
    // A read or file operation runs: busy cursor, every button but "Стоп" disabled.
    virtual void Busy(bool /*busy*/) {}
};

class Notebook {
public:
    Notebook(Station& station, Operator& op, NotebookView& view, NotebookGraphs& graphs, std::string version);

    const NotebookTable& Table() const { return table_; }
    const std::string& Header() const { return header_; }
    int Records() const { return records_; }
    bool Reading() const { return reader_.Reading; }
    bool Error() const { return reader_.Error; }
    const NotebookReader& Reader() const { return reader_; }
    const NotebookInfo& Info() const { return info_; }
    const std::string& StatusText() const { return status_; }
    // The last read ended early (a critical failure, a failed page): the table holds the whole
    // records that arrived, marked as unsigned; it is saved only without a signature.
    bool Incomplete() const { return incomplete_; }
    // The last load found the notebook empty: nothing was read and nothing is to be saved.
    bool EmptyNotebook() const { return empty_; }
    // What the last read brought: words of a block read (the device announced Info().UsedWords),
    // pages of a page read (of nine).
    int ReceivedWords() const { return receivedWords_; }
    int ReceivedPages() const { return receivedPages_; }
    bool NoteFromFile() const { return noteFromFile_; }
    bool NoteSigned() const { return noteSigned_; }
    // The decimal mark of new number texts; the program-wide one unless set.
    void SetDecimalMark(char mark) { mark_ = mark; }

    // Whether the device commands work: a device is selected and the store holds no archive.
    bool DeviceReady() const;
    // "Инфо". False when it did nothing or failed.
    bool ReadInfo();
    // "Загрузить". False when nothing was read or the read ended early (then a warning says how
    // much of the notebook arrived).
    bool Load();
    // "Стоп", and closing the window: the read ends at the next block or page.
    void Stop() { reader_.Stop(); }
    // "Стереть": asks first, then erases. True when the notebook was erased.
    bool Erase();
    // "Очистить", and step one of every load.
    void Clear();

    // Save with the file dialog's name and filter (1 "*.dmn", 2 "*.xls", other: all files).
    bool Save(const std::string& chosenName, int filterIndex);
    // Writes the table as a notebook file, signed unless a read left it incomplete.
    bool SaveFile(const std::string& fileName);
    // Loads a notebook file into the table.
    bool Open(const std::string& fileName);

    // "Копировать" of the selected rows.
    std::string Copy(const std::vector<int>& rows) const { return table_.CopyRows(rows); }
    // "Преобразовать" of the rows topRow..bottomRow.
    void Convert(int topRow, int bottomRow);
    // A row selected in the table draws its record in the length trend. False when refused.
    bool SelectRow(int row);

    // The records of a read notebook's words become the table (the end of a block read).
    void ShowRecords(std::span<const int16_t> words, int records);

    // Offers records first..last for the time graph. True when they were drawn.
    bool OfferForGraph(int first, int last);

    // The name the save dialog's choice gives: its extension by the filter.
    static std::string SaveName(const std::string& chosenName, int filterIndex);

private:
    NotebookDevice SelectedDevice() const;
    bool AskStopReception();
    void ShowLoadStatus();
    // Marks the table as what an early-ended read left; `note` tells the operator how much came.
    void MarkIncomplete(std::string note);

    Station& station_;
    Operator& op_;
    NotebookView& view_;
    NotebookGraphs& graphs_;
    std::string version_;
    NotebookReader reader_;
    NotebookTable table_;
    NotebookInfo info_;
    std::string header_;
    std::string status_;
    int records_ = 0;
    bool noteFromFile_ = false;
    bool noteSigned_ = false;
    bool incomplete_ = false;
    bool empty_ = false;
    int receivedWords_ = 0;
    int receivedPages_ = 0;
    char mark_ = 0;
};

}  // namespace drumo
