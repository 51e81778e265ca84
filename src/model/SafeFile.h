#pragma once
// Replacing a file without ever losing the old one: the new content goes to a temporary file in
// the same folder, is flushed to the disk, and only then takes the old file's name. A crash or a
// full disk while writing leaves the previous file as it was. Every file the program writes
// (settings, archives, exports) goes through here.

#include <string>
#include <string_view>

namespace drumo {

// Creates a folder and its missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& folder);

// Creates the last folder level of a file's path when it is missing (one level only, as every
// writer of data files does). False when the folder does not exist afterwards.
bool CreateFileFolder(const std::string& filePath);

// A file being written. Nothing is visible under the target name until Commit() succeeds;
// destroying an uncommitted writer removes the temporary file.
class SafeFileWriter {
public:
    SafeFileWriter() = default;
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // Creates the temporary file beside target. False when that is impossible.
    bool Open(const std::string& target);
    // Buffered; false once any write has failed.
    bool Write(std::string_view bytes);
    // Flushes, syncs and renames over the target. False (and the target untouched) on any failure.
    bool Commit();
    // Removes the temporary file.
    void Abort();

    bool Failed() const { return failed_; }
    // The system's reason for the first failure ("" when nothing failed).
    const std::string& Error() const { return error_; }

    // For tests: after this many more bytes reach the disk, writing fails as on a full disk.
    void FailAfter(long long bytes) { failAfter_ = bytes; }

private:
    bool FlushBuffer();
    void Fail(int code);

    std::string target_;
    std::string temp_;
    std::string buffer_;
    std::string error_;
    int fd_ = -1;
    bool failed_ = false;
    long long failAfter_ = -1;
};

// The whole content at once, through a SafeFileWriter; the folder must exist. On failure puts the
// file's name and the system's reason into `error` when given.
bool WriteFileSafely(const std::string& target, std::string_view bytes, std::string* error = nullptr);

// The whole content of a file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& out);

// Reads at most `limit` bytes of a file. False when it cannot be opened or is larger than the limit.
bool ReadSmallFile(const std::string& path, std::string& bytes, size_t limit);

// The folder part of a path ("." when there is none).
std::string FolderOf(const std::string& path);

}  // namespace drumo
