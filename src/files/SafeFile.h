#pragma once
// Replacing a file without ever losing the old one: the new content goes to a temporary file in
// the same folder, is flushed to the disk, and only then takes the old file's name. A crash or a
// full disk while writing leaves the previous file as it was.

#include <string>
#include <string_view>

namespace drumo {

// Creates the last folder level of a file's path when it is missing (one level only, as every
// writer of the program does). False when the folder does not exist afterwards.
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

    // For tests: after this many more bytes reach the disk, writing fails as on a full disk.
    void FailAfter(long long bytes) { failAfter_ = bytes; }

private:
    bool FlushBuffer();

    std::string target_;
    std::string temp_;
    std::string buffer_;
    int fd_ = -1;
    bool failed_ = false;
    long long failAfter_ = -1;
};

// The whole content at once, through a SafeFileWriter.
bool WriteFileSafely(const std::string& target, std::string_view bytes);

// The whole content of a file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& out);

}  // namespace drumo
