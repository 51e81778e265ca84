#pragma once
// Readers of archive files. Each is a pure function over the file's bytes that reports what it
// found (ArchiveResult); filling the measurement store from a result is a separate step, so the
// desktop program, the command-line tool and the tests share one reader.

#include <string>
#include <string_view>

#include "files/ArchiveFormat.h"

namespace drumo {

// Reads ".dml" text line by line into a sink. Feed it every line (without its line end) in order.
class DmlReader {
public:
    DmlReader(ArchiveResult& result, ArchiveSink& sink);
    void Line(std::string_view line);
    // After the last line: the file was read to its end.
    void Finish();
    // Passes on the samples still held back (Finish does this too): for a file not read to its
    // end, what was read of it.
    void Flush();

private:
    enum class State { None, Device, Cable };
    bool ReadDevice(std::string_view line);
    bool ReadCable(std::string_view line);
    bool ReadSample(std::string_view line);
    bool SampleTime(std::string_view text, DateTime& out);

    ArchiveResult& r_;
    ArchiveSink& sink_;
    State state_ = State::None;
    size_t cablesOfDevice_ = 0;
    size_t sensorsOfCable_ = 0;
    size_t lineNo_ = 0;
    size_t width_ = 7;
    uint8_t check_ = 0;
    std::vector<int16_t> row_;
    // The date of the last sample line, as written and as read: the lines of a day share it.
    char dateText_[8] = {};
    DateTime date_ = 0;
    bool dateKnown_ = false;
    // Samples of the current cable not yet passed on: they go to the sink in blocks, so that
    // each sensor's series takes a run of values at once. The values are held sensor after
    // sensor, a fixed run of room for each.
    std::vector<DateTime> heldTimes_;
    std::vector<int16_t> heldValues_;
};

// A whole ".dml" file held in memory; the data are collected in the result.
ArchiveResult ReadDml(std::string_view bytes);
// A ".dml" file on disk, read in pieces so that the file itself is never held whole. Opened is
// false when the file cannot be opened.
ArchiveResult LoadArhivFile(const std::string& fileName, ArchiveSink& sink);
ArchiveResult LoadArhivFile(const std::string& fileName);

// Both ".dmr" formats: the signed single-device "[dmr]" format and the headerless numeric one.
// ReadDmr and the one-argument LoadArhivLegacy collect the data in the result; with a sink the
// file is read in pieces, the signed format's samples passed on as they are read and the numeric
// format's cable (stored sensor by sensor) once it is complete.
ArchiveResult ReadDmr(std::string_view bytes);
ArchiveResult LoadArhivLegacy(const std::string& fileName, ArchiveSink& sink);
ArchiveResult LoadArhivLegacy(const std::string& fileName);

// Calls onLine for every line of bytes without its end (LF or CR LF; a last line without an end
// counts too).
template <typename F>
void ForEachLine(std::string_view bytes, F&& onLine) {
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        const size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos) end = bytes.size();
        size_t len = end - start;
        if (len > 0 && bytes[start + len - 1] == '\r') --len;
        onLine(bytes.substr(start, len));
        start = next;
    }
}

}  // namespace drumo
