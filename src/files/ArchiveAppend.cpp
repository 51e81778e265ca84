#include "files/ArchiveAppend.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/ArchiveFormat.h"
#include "files/Crc8.h"
#include "model/SafeFile.h"

namespace drumo {

namespace {

constexpr std::string_view CrLf = "\r\n";
// Room lines stay far below the longest line a reader takes.
constexpr uint64_t RoomLine = 256 * 1024;

// Sample k of cable (d, c) as a whole line; `check` is the register before it.
void AppendSampleLine(std::string& out, const MeasurementStore& store, size_t d, size_t c, size_t k, uint8_t check,
                      std::vector<int16_t>& row) {
    const size_t sensors = store.Sensors(d, c);
    row.resize(sensors);
    for (size_t s = 0; s < sensors; ++s) row[s] = store.Samples(d, c, s)[k];
    const size_t start = out.size();
    AppendDmlSampleBody(out, store.SampleTimes(d, c)[k], row.data(), sensors);
    check = Crc8Update(check, std::string_view(out).substr(start));
    AppendDmlCheckField(out, check);
    out.append(CrLf);
}

size_t SampleLineLength(size_t sensors) {
    std::string line;
    std::vector<int16_t> row(sensors, NoValue);
    AppendDmlSampleBody(line, 0, row.data(), sensors);
    AppendDmlCheckField(line, 0);
    return line.size() + CrLf.size();
}

}  // namespace

int RepairAppendedArchive(const std::string& fileName) {
    const int fd = ::open(fileName.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    std::string bytes;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        !ReadSmallFile(fileName, bytes, SIZE_MAX / 2)) {
        ::close(fd);
        return -1;
    }
    int mended = 0;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            // The last line has no end: the write that made it did not finish.
            if (::ftruncate(fd, static_cast<off_t>(start)) == 0) ++mended;
            break;
        }
        const std::string_view line(bytes.data() + start, end - start);
        if (line.find('\0') != std::string_view::npos && line.front() != '/') {
            const std::string_view comment = line.size() >= 2 ? "//" : "/";
            if (::pwrite(fd, comment.data(), comment.size(), static_cast<off_t>(start)) ==
                static_cast<ssize_t>(comment.size()))
                ++mended;
        }
        start = end + 1;
    }
    if (mended > 0) ::fdatasync(fd);
    ::close(fd);
    return mended;
}

ArchiveAppender::~ArchiveAppender() { Close(); }

void ArchiveAppender::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void ArchiveAppender::Reset() {
    Close();
    fileName_.clear();
    cables_.clear();
}

bool ArchiveAppender::WriteAt(int fd, std::string_view bytes, uint64_t offset) {
    size_t done = 0;
    while (done < bytes.size()) {
        size_t chunk = bytes.size() - done;
        if (failAfter_ >= 0) {
            if (failAfter_ == 0) {
                errno = ENOSPC;
                return false;
            }
            chunk = std::min<size_t>(chunk, static_cast<size_t>(failAfter_));
        }
        const ssize_t n = ::pwrite(fd, bytes.data() + done, chunk, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
        bytesWritten_ += static_cast<uint64_t>(n);
        if (failAfter_ >= 0) failAfter_ -= n;
    }
    return true;
}

bool ArchiveAppender::StillNamed() const {
    // A file deleted, moved to the trash or replaced meanwhile is written anew under its name,
    // rather than appended to where nobody finds it.
    struct stat open {}, named {};
    return ::fstat(fd_, &open) == 0 && ::stat(fileName_.c_str(), &named) == 0 && open.st_ino == named.st_ino &&
           open.st_dev == named.st_dev;
}

bool ArchiveAppender::Matches(const MeasurementStore& store) const {
    if (cables_.size() != store.Devices()) return false;
    for (size_t d = 0; d < store.Devices(); ++d) {
        if (cables_[d].size() != store.Cables(d)) return false;
        for (size_t c = 0; c < store.Cables(d); ++c)
            if (cables_[d][c].Written > store.SampleCount(d, c)) return false;
    }
    return true;
}

SaveResult ArchiveAppender::Save(const MeasurementStore& store, const std::string& fileName,
                                 std::string_view programVersion, DateTime saved, size_t samplesToCome, bool onlyNew) {
    if (fd_ >= 0 && fileName == fileName_ && Matches(store) && StillNamed()) {
        SaveResult result;
        bool noRoom = false;
        if (Append(store, result.Reason, noRoom)) {
            result.Outcome = SaveOutcome::Saved;
            return result;
        }
        if (!noRoom) return result;  // Failed, with the reason; the file holds whole lines only
        // The room was too small for the time between samples: the next gets twice as much.
        samplesToCome = std::max(samplesToCome, 2 * roomSamples_);
    }
    SaveResult result = WriteWhole(store, fileName, programVersion, saved, samplesToCome, onlyNew);
    // A disk too full for the room still takes the samples: without room, every save writes the
    // whole file until the room fits again.
    if (result.Outcome != SaveOutcome::Saved && !result.Exists && result.Reason == std::strerror(ENOSPC) &&
        samplesToCome > 0)
        result = WriteWhole(store, fileName, programVersion, saved, 0, onlyNew);
    return result;
}

SaveResult ArchiveAppender::WriteWhole(const MeasurementStore& store, const std::string& fileName,
                                       std::string_view version, DateTime saved, size_t samplesToCome, bool onlyNew) {
    SaveResult result;
    const auto fail = [&](SaveOutcome outcome, int code) {
        result.Outcome = outcome;
        result.Exists = code == EEXIST;
        result.Reason = std::strerror(code);
        return result;
    };
    if (!CreateFileFolder(fileName)) return fail(SaveOutcome::Busy, errno);
    std::string temp = fileName + ".tmp-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return fail(SaveOutcome::Busy, errno);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    const auto abandon = [&](int code) {
        ::close(fd);
        ::unlink(temp.c_str());
        return fail(SaveOutcome::Failed, code);
    };

    std::vector<std::vector<Cable>> cables(store.Devices());
    std::string chunk;
    uint64_t at = 0;
    const auto flush = [&] {
        const bool ok = WriteAt(fd, chunk, at);
        at += chunk.size();
        chunk.clear();
        return ok;
    };
    for (const std::string& line : {DmlHeaderLine(version, saved), DmlWarningLine(), DmlCommentsLine(),
                                    DmlEmptyCommentLine()})
        chunk.append(line).append(CrLf);
    std::vector<int16_t> row;
    for (size_t d = 0; d < store.Devices(); ++d) {
        const TDevSig& dev = store.DevSig(d);
        const std::string deviceLine =
            DmlDeviceLine({dev.DevType, dev.Address, dev.Serial, dev.Year, dev.Firmware, dev.Comment});
        chunk.append(CrLf).append(deviceLine).append(CrLf);
        uint8_t check = Crc8Update(Crc8Update(Crc8Update(0, CrLf), deviceLine), CrLf);
        cables[d].resize(store.Cables(d));
        for (size_t c = 0; c < store.Cables(d); ++c) {
            if (c > 0) {
                chunk.append(CrLf);
                check = Crc8Update(0, CrLf);
            }
            const auto labels = store.SensorLabels(d, c);
            const std::string cableLine = DmlCableLine(store.CableKinds(d)[c], store.CableSerials(d)[c],
                                                       std::vector<int16_t>(labels.begin(), labels.end()));
            chunk.append(cableLine).append(CrLf);
            Cable& cable = cables[d][c];
            cable.HeadCheck = Crc8Update(Crc8Update(check, cableLine), CrLf);
            cable.Written = store.SampleCount(d, c);
            for (size_t k = 0; k < cable.Written; ++k)
                AppendSampleLine(chunk, store, d, c, k, k == 0 ? cable.HeadCheck : 0, row);
            cable.Next = cable.Room = at + chunk.size();
            cable.Last = d + 1 == store.Devices() && c + 1 == store.Cables(d);
            if (cable.Last) {
                cable.End = cable.Next;
                continue;
            }
            // The room: comment lines of at most RoomLine bytes whose inside is never written.
            uint64_t room = samplesToCome * SampleLineLength(labels.size());
            if (room % RoomLine != 0 && room % RoomLine < 4) room += 4;
            if (!flush()) return abandon(errno);
            for (uint64_t line = at; line < at + room; line += RoomLine) {
                const uint64_t stop = std::min(line + RoomLine, at + room);
                if (!WriteAt(fd, "//", line) || !WriteAt(fd, CrLf, stop - 2)) return abandon(errno);
            }
            at += room;
            cable.End = at;
        }
        if (chunk.size() >= (1u << 18) && !flush()) return abandon(errno);
    }
    if (!flush() || ::ftruncate(fd, static_cast<off_t>(at)) != 0 || ::fdatasync(fd) != 0) return abandon(errno);
    if (onlyNew ? !RenameIfNew(temp, fileName) : ::rename(temp.c_str(), fileName.c_str()) != 0) return abandon(errno);
    const int folder = ::open(FolderOf(fileName).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    Close();
    fd_ = fd;
    ::flock(fd_, LOCK_EX | LOCK_NB);  // tells a repair at another start that the file is in use
    fileName_ = fileName;
    roomSamples_ = samplesToCome;
    cables_ = std::move(cables);
    result.Outcome = SaveOutcome::Saved;
    return result;
}

bool ArchiveAppender::Append(const MeasurementStore& store, std::string& reason, bool& noRoom) {
    std::vector<int16_t> row;
    std::string lines;
    for (size_t d = 0; d < store.Devices(); ++d)
        for (size_t c = 0; c < store.Cables(d); ++c) {
            Cable& cable = cables_[d][c];
            const size_t count = store.SampleCount(d, c);
            if (count == cable.Written) continue;
            lines.clear();
            for (size_t k = cable.Written; k < count; ++k)
                AppendSampleLine(lines, store, d, c, k, k == 0 ? cable.HeadCheck : 0, row);
            const uint64_t after = cable.Next + lines.size();
            if (!cable.Last) {
                if (after > cable.End) {
                    noRoom = true;
                    return false;
                }
                // What is left of the room line the new lines end in must still read as a
                // comment: it gets "//" (or less where fewer bytes are left before its CR LF).
                const uint64_t lineStart = cable.Room + (after - cable.Room) / RoomLine * RoomLine;
                const uint64_t crlf = std::min(lineStart + RoomLine, cable.End) - 2;
                if (after < cable.End && after < crlf) lines.append(std::min<uint64_t>(2, crlf - after), '/');
            }
            const uint64_t before = bytesWritten_;
            if (!WriteAt(fd_, lines, cable.Next)) {
                reason = std::strerror(errno);
                // Whatever part went down is turned back into a comment, so that no torn sample
                // line is left between whole ones; the next save writes the lines again.
                const uint64_t torn = bytesWritten_ - before;
                if (torn > 0 && cable.Last) {
                    if (::ftruncate(fd_, static_cast<off_t>(cable.Next)) != 0) Reset();
                } else if (torn > 0) {
                    std::string comment(std::max<uint64_t>(2, torn), '\0');
                    comment[0] = comment[1] = '/';
                    const long long failAfter = failAfter_;
                    failAfter_ = -1;
                    WriteAt(fd_, comment, cable.Next);
                    failAfter_ = failAfter;
                }
                return false;
            }
            cable.Next = after;
            if (cable.Last) cable.End = after;
            cable.Written = count;
        }
    if (::fdatasync(fd_) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace drumo
