#pragma once
// Reading a device's notebook over the line: the info request, the block read with its retries,
// the page read of the Hexar-1/16, and erasing. Each operation is one procedure over the device
// bus; a failed transaction shows its status message to the operator before the caller reacts.
//
//                     maker's command protocol          Modbus RTU (at the device's address)
//   info              read 30 (14 bytes)                 function 3, registers 80..85
//   next block        read 31 (up to 64 words)           function 3, registers 768..831
//   block pointer     write 97, the block number         function 16, register 46
//   erase             write 73, data byte 2              function 16, register 45 := 2
//   page i (type 100) read 42 + i (54 bytes)             -

#include "acquisition/DeviceBus.h"
#include "base/Services.h"
#include "notebook/NotebookRecords.h"

#include <array>
#include <cstdint>
#include <vector>

namespace drumo {

// The device a notebook is read from.
struct NotebookDevice {
    int16_t DevType = 0;
    uint16_t Address = 0;
    bool Modbus = false;
};

inline constexpr int16_t PagedNotebookType = 100;  // the Hexar-1/16 keeps nine pages
inline constexpr int NotebookPages = 9;
inline constexpr int NotebookPageBytes = 54;
inline constexpr int NotebookBlockWords = 64;

// Where a read shows its progress.
class NotebookProgress {
public:
    virtual ~NotebookProgress() = default;
    virtual void ProgressRange(int /*maximum*/) {}
    virtual void Progress(int /*position*/) {}
};

struct NotebookLine {
    DeviceBus& Bus;
    Clock& Time;
    EventPump& Events;
    Operator& Op;
};

class NotebookReader {
public:
    explicit NotebookReader(const NotebookLine& line, NotebookProgress* progress = nullptr);

    // Counters of the last read.
    bool Reading = false;   // cleared by Stop(); the read ends at the next block or page
    bool Stopped = false;   // the last read was ended by Stop()
    bool Error = false;
    int Failures = 0;       // failed transactions that were repeated
    int Blocks = 0;
    int Bytes = 0;

    void Stop() { Reading = false; }

    // The info request. False (status shown) on failure.
    bool ReadInfo(const NotebookDevice& device, NotebookInfo& info);

    // Reads `usedWords` words block by block. A block shorter than the words still to come is a
    // failed request (status 60 over Modbus, 15 over the maker's protocol): the device's reply
    // was cut short. The fourth failure in a row of the block requests and pointer commands
    // together ends the read with Error set (the words read so far are kept); Stop() ends it
    // with Error set as well. `words` gets what arrived, never more than
    // usedWords. False only when it was stopped; the words that came before a critical failure
    // are kept for the table.
    bool ReadBlocks(const NotebookDevice& device, int usedWords, std::vector<int16_t>& words);

    // Reads the nine pages; stops at the first failure (status shown) or at Stop(), with Error
    // set. `pages` gets the pages that arrived.
    bool ReadPages(std::vector<std::array<uint8_t, NotebookPageBytes>>& pages);

    // Sends the erase command. False (status shown) on failure.
    bool Erase(const NotebookDevice& device);

private:
    // Fewer than `expected` words is a failure.
    bool RequestBlock(const NotebookDevice& device, int expected, std::vector<int16_t>& block);
    bool SetPointer(const NotebookDevice& device, int block);
    // Counts a failure; true when it is the one that ends the read.
    bool Failed(int& retries);

    NotebookLine line_;
    NotebookProgress* progress_;
};

}  // namespace drumo
