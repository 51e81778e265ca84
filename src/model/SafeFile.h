#pragma once
// Replacing a file without ever losing the old one: the new content goes to a temporary file in
// the same folder, is flushed to the disk, and only then takes the old file's name. A crash or a
// full disk while writing leaves the previous file as it was. Every file the program writes
// (settings, archives, exports) goes through here.

#include <memory>
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

    // Creates the temporary file beside target. False when that is impossible, and when target
    // exists but is no regular file or cannot be opened for writing (read-only): such a target is
    // never replaced. Temporary files of the same target left by a writer that was killed are
    // removed first.
    bool Open(const std::string& target);
    // Buffered; false once any write has failed.
    bool Write(std::string_view bytes);
    // Flushes, syncs and renames over the target. False (and the target untouched) on any failure.
    bool Commit();
    // As Commit, but only when no file of the target's name exists yet: a writer that names its
    // file itself (after the moment it started) never replaces a file another writer made. False
    // with Exists() when one does.
    bool CommitNew();
    bool Exists() const { return exists_; }
    // Removes the temporary file.
    void Abort();

    bool Failed() const { return failed_; }
    // The system's reason for the first failure ("" when nothing failed).
    const std::string& Error() const { return error_; }

    // For tests: after this many more bytes reach the disk, writing fails as on a full disk.
    void FailAfter(long long bytes) { failAfter_ = bytes; }

private:
    bool FlushBuffer();
    bool Finish(bool onlyNew);
    void Fail(int code);

    std::string target_;
    std::string temp_;
    std::string buffer_;
    std::string error_;
    int fd_ = -1;
    bool failed_ = false;
    bool exists_ = false;
    long long failAfter_ = -1;
};

// Renames `from` to `to` only when no file named `to` exists: false with errno EEXIST when one
// does. One step where the file system allows it, else a hard link, else an exclusive create.
bool RenameIfNew(const std::string& from, const std::string& to);

// The whole content at once, through a SafeFileWriter; the folder must exist. On failure puts the
// file's name and the system's reason into `error` when given.
bool WriteFileSafely(const std::string& target, std::string_view bytes, std::string* error = nullptr);

// Reading the files the operator names. Only regular files are read: a FIFO would block the
// program, a device such as /dev/zero would never end, a folder has no content. The file is
// opened without blocking and checked before anything is read.

// The reason given for a path that is no regular file.
inline constexpr const char* NotRegularFileError = "not a regular file";

// A descriptor open for reading, or -1 with the reason in `error` (the system's text, or
// NotRegularFileError).
int OpenRegularFile(const std::string& path, std::string* error = nullptr);

// Reads a whole regular file of at most `limit` bytes. False (with the reason in `error` when
// given) when it cannot be opened or read, is no regular file or is larger than the limit.
bool ReadSmallFile(const std::string& path, std::string& bytes, size_t limit, std::string* error = nullptr);

// The lines of a regular file, read in pieces so that the file is never held whole. A line may be
// at most `maxLineLength` bytes long; a longer one ends the reading as a failure, so that a file
// without line breaks cannot fill the memory. Each byte is looked at once.
class FileLineReader {
public:
    static constexpr size_t DefaultMaxLineLength = 1 << 20;

    explicit FileLineReader(size_t maxLineLength = DefaultMaxLineLength);
    ~FileLineReader();
    FileLineReader(const FileLineReader&) = delete;
    FileLineReader& operator=(const FileLineReader&) = delete;

    // False with the reason in Error() when the file cannot be opened or is no regular file.
    bool Open(const std::string& path);
    // The next line without its end (LF or CR LF; a last line without an end counts too). The view
    // stays valid until the next call. False at the end of the file and on a failure (Failed()).
    bool Next(std::string_view& line);

    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }
    // The system's error number of the failure; 0 when the reader refused the file itself (no
    // regular file, a line too long).
    int ErrorNumber() const { return errno_; }

private:
    bool Fill();
    void Close();

    size_t maxLine_;
    int fd_ = -1;
    // Not cleared when it grows: only the bytes read into it are ever looked at.
    std::unique_ptr<char[]> buffer_;
    size_t capacity_ = 0;
    size_t begin_ = 0;  // start of the unread data
    size_t scan_ = 0;   // where the search for the next line end goes on
    size_t end_ = 0;    // end of the data in the buffer
    bool atEnd_ = false;
    std::string error_;
    int errno_ = 0;
};

// The folder part of a path ("." when there is none).
std::string FolderOf(const std::string& path);

}  // namespace drumo
