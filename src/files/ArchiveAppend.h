#pragma once
// Keeping a running reception's ".dml" file current by writing only what is new, for loggers that
// run for years on an SD card: rewriting the whole file after every pass wears the card out.
//
// The layout groups samples by cable, so new samples of every cable but the file's last belong
// in the middle of the file. Each such cable therefore gets room behind its samples: comment lines
// ("//", unused bytes, CR LF; at most 256 KiB each) that every reader skips. New sample lines are
// written into that room, followed by "//" so that what is left of the room still reads as a
// comment; the last cable simply grows at the end of the file. The unused bytes are never written
// (the file system keeps them as a hole), so the bytes written over a day come close to the
// file's content. When a cable's room runs out, the whole file is written anew (safely, beside
// it, then renamed) with fresh room.
//
// After every save the file is a valid signed archive; each cable's new lines and the following
// "//" go down in one write, so a logger killed at any moment leaves every sample line whole. The
// writer holds a lock (flock) on its file while it appends. A power loss can still leave a line
// half on the disk; RepairAppendedArchive mends such a file at the next start.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/ArchiveStore.h"
#include "model/Store.h"

namespace drumo {

// Mends a file an appending writer left at a power loss, unless a writer still holds it: a line
// that holds unwritten (zero) bytes and is no comment was cut short and becomes a comment ("//"
// over its first bytes); an unfinished last line is cut off. Whole lines are never touched.
// Returns the number of lines mended, or -1 when the file was not looked at (locked, unreadable).
int RepairAppendedArchive(const std::string& fileName);

class ArchiveAppender {
public:
    ArchiveAppender() = default;
    ~ArchiveAppender();
    ArchiveAppender(const ArchiveAppender&) = delete;
    ArchiveAppender& operator=(const ArchiveAppender&) = delete;

    // Brings fileName up to the store. The first save (and one after Reset, or when the store no
    // longer holds what the file does, or room ran out) writes the whole file with room for
    // `samplesToCome` further samples per cable; with onlyNew, that first save never replaces an
    // existing file (Exists in the result). Later saves append.
    SaveResult Save(const MeasurementStore& store, const std::string& fileName, std::string_view programVersion,
                    DateTime saved, size_t samplesToCome, bool onlyNew);

    // The next save starts a file of its own.
    void Reset();

    // Bytes handed to the file system since this object was made (a measure of card wear).
    uint64_t BytesWritten() const { return bytesWritten_; }

    // For tests: writing fails after this many more bytes, as on a full disk.
    void FailAfter(long long bytes) { failAfter_ = bytes; }

private:
    struct Cable {
        size_t Written = 0;   // samples in the file
        uint64_t Next = 0;    // where the next sample line goes
        uint64_t Room = 0;    // where the room behind the samples begins
        uint64_t End = 0;     // where it ends (the next cable's part begins)
        uint8_t HeadCheck = 0;  // the check register after the cable line, for its first sample
        bool Last = false;    // the file's last cable: it grows at the end of the file
    };

    SaveResult WriteWhole(const MeasurementStore& store, const std::string& fileName, std::string_view version,
                          DateTime saved, size_t samplesToCome, bool onlyNew);
    bool Append(const MeasurementStore& store, std::string& reason, bool& noRoom);
    bool Matches(const MeasurementStore& store) const;
    bool StillNamed() const;
    bool WriteAt(int fd, std::string_view bytes, uint64_t offset);
    void Close();

    int fd_ = -1;
    std::string fileName_;
    std::vector<std::vector<Cable>> cables_;
    size_t roomSamples_ = 0;
    uint64_t bytesWritten_ = 0;
    long long failAfter_ = -1;
};

}  // namespace drumo
