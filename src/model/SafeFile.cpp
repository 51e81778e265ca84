#include "model/SafeFile.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace drumo {

namespace {

constexpr size_t BufferSize = 1 << 20;

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

constexpr const char* TempInfix = ".tmp-";
constexpr size_t TempSuffixLength = 6;  // the XXXXXX that mkstemp fills in

std::string NameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A writer keeps its temporary file locked while it writes; one that can be locked by somebody
// else belongs to a writer that died (kill -9, power loss) and is removed.
void RemoveStaleTemporaries(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string prefix = NameOf(target) + TempInfix;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + TempSuffixLength || name.substr(0, prefix.size()) != prefix) continue;
        const std::string path = folder + "/" + std::string(name);
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(dir);
}

// 0 when target may be replaced: it does not exist, or it is a regular file open to writing.
// Otherwise the reason as an errno value, or -1 for a target that is no regular file.
int ReplaceableTarget(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return -1;
    // A file without any write permission is read-only also for the administrator.
    if ((st.st_mode & 0222) == 0) return EACCES;
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
}

}  // namespace

// The kernel does it in one step on most file systems; where it cannot, a hard link does the
// same; where neither works (FAT on some kernels), the name is taken by creating it exclusively
// and then replaced.
bool RenameIfNew(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno != EPERM && errno != EOPNOTSUPP) return false;
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ::close(fd);
    return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool MakeFolders(const std::string& folder) {
    if (folder.empty() || IsFolder(folder)) return !folder.empty();
    const size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash))) return false;
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return false;
    return IsFolder(folder);
}

bool CreateFileFolder(const std::string& filePath) {
    const std::string folder = FolderOf(filePath);
    if (IsFolder(folder)) return true;
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return false;
    return IsFolder(folder);
}

SafeFileWriter::~SafeFileWriter() { Abort(); }

bool SafeFileWriter::Open(const std::string& target) {
    Abort();
    target_ = target;
    failed_ = false;
    error_.clear();
    if (const int reason = ReplaceableTarget(target); reason != 0) {
        if (reason < 0) {
            failed_ = true;
            error_ = NotRegularFileError;
        } else {
            Fail(reason);
        }
        return false;
    }
    RemoveStaleTemporaries(target);
    std::string pattern = target + TempInfix + std::string(TempSuffixLength, 'X');
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) {
        Fail(errno);
        return false;
    }
    ::flock(fd_, LOCK_EX | LOCK_NB);
    // mkstemp makes the file private; give it the permissions an ordinary new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
    temp_ = pattern;
    buffer_.clear();
    buffer_.reserve(BufferSize);
    return true;
}

bool SafeFileWriter::FlushBuffer() {
    size_t done = 0;
    while (!failed_ && done < buffer_.size()) {
        size_t chunk = buffer_.size() - done;
        if (failAfter_ >= 0) {
            if (failAfter_ == 0) {
                Fail(ENOSPC);
                break;
            }
            if (static_cast<long long>(chunk) > failAfter_) chunk = static_cast<size_t>(failAfter_);
        }
        const ssize_t n = ::write(fd_, buffer_.data() + done, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
            break;
        }
        done += static_cast<size_t>(n);
        if (failAfter_ >= 0) failAfter_ -= n;
    }
    buffer_.clear();
    return !failed_;
}

bool SafeFileWriter::Write(std::string_view bytes) {
    if (fd_ < 0 || failed_) return false;
    if (buffer_.size() + bytes.size() > BufferSize && !FlushBuffer()) return false;
    if (bytes.size() >= BufferSize) {
        buffer_.assign(bytes);
        return FlushBuffer();
    }
    buffer_.append(bytes);
    return true;
}

bool SafeFileWriter::Commit() { return Finish(false); }

bool SafeFileWriter::CommitNew() { return Finish(true); }

bool SafeFileWriter::Finish(bool onlyNew) {
    exists_ = false;
    if (fd_ < 0 || failed_) {
        Abort();
        return false;
    }
    bool ok = FlushBuffer();
    if (ok && ::fsync(fd_) != 0) {
        Fail(errno);
        ok = false;
    }
    if (::close(fd_) != 0 && ok) {
        Fail(errno);
        ok = false;
    }
    fd_ = -1;
    if (ok && (onlyNew ? !RenameIfNew(temp_, target_) : ::rename(temp_.c_str(), target_.c_str()) != 0)) {
        exists_ = errno == EEXIST;
        Fail(errno);
        ok = false;
    }
    if (!ok) {
        Abort();
        return false;
    }
    temp_.clear();
    SyncFolder(FolderOf(target_));
    return true;
}

void SafeFileWriter::Fail(int code) {
    if (!failed_) error_ = std::strerror(code);
    failed_ = true;
}

void SafeFileWriter::Abort() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    buffer_.clear();
}

bool WriteFileSafely(const std::string& target, std::string_view bytes, std::string* error) {
    SafeFileWriter writer;
    if (writer.Open(target) && writer.Write(bytes) && writer.Commit()) return true;
    if (error) *error = target + ": " + writer.Error();
    return false;
}

int OpenRegularFile(const std::string& path, std::string* error) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error) *error = NotRegularFileError;
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool ReadSmallFile(const std::string& path, std::string& bytes, size_t limit, std::string* error) {
    const int fd = OpenRegularFile(path, error);
    if (fd < 0) return false;
    const auto fail = [&](const std::string& reason) {
        if (error) *error = reason;
        ::close(fd);
        return false;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail(std::strerror(errno));
    if (static_cast<unsigned long long>(st.st_size) > limit) return fail("larger than " + std::to_string(limit) + " bytes");
    std::string text;
    text.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    while (true) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(std::strerror(errno));
        if (n == 0) break;
        if (text.size() + static_cast<size_t>(n) > limit)  // grew while being read
            return fail("larger than " + std::to_string(limit) + " bytes");
        text.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    bytes = std::move(text);
    return true;
}

FileLineReader::FileLineReader(size_t maxLineLength) : maxLine_(maxLineLength) {}

FileLineReader::~FileLineReader() { Close(); }

void FileLineReader::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool FileLineReader::Open(const std::string& path) {
    Close();
    error_.clear();
    begin_ = scan_ = end_ = 0;
    atEnd_ = false;
    errno_ = 0;
    errno = 0;
    fd_ = OpenRegularFile(path, &error_);
    if (fd_ < 0 && error_ != NotRegularFileError) errno_ = errno;
    return fd_ >= 0;
}

bool FileLineReader::Fill() {
    // Only the unfinished line moves to the front, and only when the data ahead of it are used up.
    if (begin_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
        end_ -= begin_;
        scan_ -= begin_;
        begin_ = 0;
    }
    constexpr size_t Piece = 1 << 16;
    if (capacity_ - end_ < Piece) {
        const size_t grown = end_ + std::max(Piece, end_);
        auto bigger = std::make_unique_for_overwrite<char[]>(grown);
        if (end_ > 0) std::memcpy(bigger.get(), buffer_.get(), end_);
        buffer_ = std::move(bigger);
        capacity_ = grown;
    }
    for (;;) {
        const ssize_t n = ::read(fd_, buffer_.get() + end_, capacity_ - end_);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            errno_ = errno;
            error_ = std::strerror(errno);
            return false;
        }
        if (n == 0) atEnd_ = true;
        end_ += static_cast<size_t>(n);
        return true;
    }
}

namespace {

// The first line feed in [p, end), or null. Short lines are the common case in some files, and
// their end is found within two 16-byte compares, without a call; a longer search goes to memchr.
const char* FindLineFeed(const char* p, const char* end) {
#ifdef __SSE2__
    for (int i = 0; i < 2 && end - p >= 16; ++i, p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned feeds = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))));
        if (feeds != 0) return p + std::countr_zero(feeds);
    }
#endif
    return p < end ? static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p))) : nullptr;
}

}  // namespace

bool FileLineReader::Next(std::string_view& line) {
    if (fd_ < 0 || Failed()) return false;
    for (;;) {
        const char* const found = FindLineFeed(buffer_.get() + scan_, buffer_.get() + end_);
        size_t lineEnd = end_, next = end_;
        if (found) {
            lineEnd = static_cast<size_t>(found - buffer_.get());
            next = lineEnd + 1;
        } else {
            scan_ = end_;
        }
        if (lineEnd - begin_ > maxLine_ + 1) {  // + 1: the CR of a CR LF end
            error_ = "a line longer than " + std::to_string(maxLine_) + " bytes";
            return false;
        }
        if (found || (atEnd_ && begin_ < end_)) {
            line = std::string_view(buffer_.get() + begin_, lineEnd - begin_);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (line.size() > maxLine_) {
                error_ = "a line longer than " + std::to_string(maxLine_) + " bytes";
                return false;
            }
            begin_ = scan_ = next;
            return true;
        }
        if (atEnd_) return false;
        if (!Fill()) return false;
    }
}

}  // namespace drumo
