#include "model/SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace drumo {
namespace {

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void SetError(std::string* error, const std::string& what, int code) {
    if (error) *error = what + ": " + std::strerror(code);
}

}  // namespace

bool MakeFolders(const std::string& folder) {
    if (folder.empty() || IsFolder(folder)) return !folder.empty();
    const size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash))) return false;
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return false;
    return IsFolder(folder);
}

bool WriteFileSafely(const std::string& path, std::string_view bytes, std::string* error) {
    const std::string folder = FolderOf(path);
    if (!MakeFolders(folder)) {
        SetError(error, folder, errno);
        return false;
    }
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        SetError(error, path, errno);
        return false;
    }
    fchmod(fd, 0644);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            SetError(error, temp, n < 0 ? errno : ENOSPC);
            close(fd);
            unlink(temp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        SetError(error, temp, errno);
        unlink(temp.c_str());
        return false;
    }
    if (rename(temp.c_str(), path.c_str()) != 0) {
        SetError(error, path, errno);
        unlink(temp.c_str());
        return false;
    }
    return true;
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
