#include "model/SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace

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
    std::string pattern = target + ".tmp-XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) {
        Fail(errno);
        return false;
    }
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

bool SafeFileWriter::Commit() {
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
    if (ok && ::rename(temp_.c_str(), target_.c_str()) != 0) {
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

bool ReadWholeFile(const std::string& path, std::string& out) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    if (st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
    char buf[1 << 16];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return ok;
}

bool ReadSmallFile(const std::string& path, std::string& bytes, size_t limit) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > limit) {
        close(fd);
        return false;
    }
    std::string text;
    char buf[65536];
    while (true) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return false;
        }
        if (n == 0) break;
        if (text.size() + static_cast<size_t>(n) > limit) {  // grew while being read
            close(fd);
            return false;
        }
        text.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    bytes = std::move(text);
    return true;
}

}  // namespace drumo
