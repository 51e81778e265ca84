// libFuzzer target: the notebook file reader over arbitrary bytes. A file that reads as a
// notebook is saved again; the saved file must read back signed with the same records.

#include <cstdint>
#include <cstdlib>

#include "FuzzTempFile.h"
#include "notebook/NotebookFile.h"

using namespace drumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::TempPath(".dmn");
    fuzz::PutFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
    NotebookTable first;
    const NotebookFileResult r = ReadNotebookFile(path, '.', first);
    if (r.Status != NotebookFileStatus::Ok) {
        if (first.Records() != 0) std::abort();  // a refused file leaves the table empty
        return 0;
    }
    if (r.NumberedRecords > r.Records) std::abort();

    const int records = first.Records();
    fuzz::PutFile(path, NotebookFileText(first, r.Header, "1.0.0.1", 45000.5));
    NotebookTable second;
    const NotebookFileResult again = ReadNotebookFile(path, '.', second);
    if (records == 0) {
        if (again.Status != NotebookFileStatus::NoData) std::abort();
        return 0;
    }
    if (again.Status != NotebookFileStatus::Ok || !again.Signed || again.Legacy || again.Header != r.Header ||
        again.Records != records || second.Records() != records)
        std::abort();
    for (int k = 0; k < records; ++k)
        for (int row : {NotebookTable::RowA(k), NotebookTable::RowB(k)})
            for (int c = 0; c < first.ColumnCount(); ++c)
                if (first.Cell(row, c) != second.Cell(row, c)) std::abort();
    return 0;
}
