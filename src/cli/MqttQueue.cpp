#include "cli/MqttQueue.h"

#include "model/SafeFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace drumo::cli {

namespace {

// The offset is written over itself at a fixed width, so that the file never shrinks or grows.
constexpr int DoneWidth = 20;

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

MqttQueue::~MqttQueue() {
    if (journal_ >= 0) ::close(journal_);
    if (lock_ >= 0) ::close(lock_);  // releases the lock
}

bool MqttQueue::Open(const std::string& folder, size_t maxBytes, std::string& error) {
    folder_ = folder;
    maxBytes_ = maxBytes;
    if (!MakeFolders(folder)) {
        error = folder + ": " + std::strerror(errno);
        return false;
    }
    lock_ = ::open((folder + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock_ < 0 || ::flock(lock_, LOCK_EX | LOCK_NB) != 0) {
        error = folder + ": " + (errno == EWOULDBLOCK ? "used by another logger" : std::strerror(errno));
        return false;
    }
    if (!Load()) {
        error = folder + ": " + error_;
        return false;
    }
    return true;
}

bool MqttQueue::Load() {
    const std::string path = folder_ + "/journal";
    journal_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (journal_ < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    std::string bytes;
    // Everything an earlier run left is taken, also beyond a limit that was lowered since.
    if (!ReadSmallFile(path, bytes, SIZE_MAX / 2, &error_)) return false;
    // A line that a crash cut short carries no whole message.
    const size_t whole = bytes.rfind('\n') == std::string::npos ? 0 : bytes.rfind('\n') + 1;
    if (whole < bytes.size() && ::ftruncate(journal_, static_cast<off_t>(whole)) != 0) {
        error_ = std::strerror(errno);
        return false;
    }
    bytes.resize(whole);
    journalSize_ = whole;
    std::string doneText;
    size_t done = 0;
    if (ReadSmallFile(folder_ + "/done", doneText, 64)) done = std::strtoull(doneText.c_str(), nullptr, 10);
    // An offset that is not the start of a line cannot be trusted: sending everything again
    // gives duplicates, never a gap.
    if (done > whole || (done > 0 && bytes[done - 1] != '\n')) done = 0;
    done_ = done;
    for (size_t at = done; at < whole;) {
        const size_t end = bytes.find('\n', at);
        const size_t tab1 = bytes.find('\t', at);
        const size_t tab2 = tab1 < end ? bytes.find('\t', tab1 + 1) : std::string::npos;
        if (tab2 < end) {
            QueuedMessage m;
            m.QueuedMs = std::strtoll(bytes.c_str() + at, nullptr, 10);
            m.Topic = bytes.substr(tab1 + 1, tab2 - tab1 - 1);
            m.Payload = bytes.substr(tab2 + 1, end - tab2 - 1);
            m.End = end + 1;
            pending_.push_back(std::move(m));
        }
        at = end + 1;
    }
    ::lseek(journal_, static_cast<off_t>(journalSize_), SEEK_SET);
    return true;
}

bool MqttQueue::Push(int64_t nowMs, const std::string& topic, const std::string& payload) {
    if (PendingBytes() >= maxBytes_) return false;
    const std::string line = std::to_string(nowMs) + '\t' + topic + '\t' + payload + '\n';
    if (!WriteAll(journal_, line)) {
        error_ = std::strerror(errno);
        // What was written of the line is cut off again, so the journal stays whole lines.
        if (::ftruncate(journal_, static_cast<off_t>(journalSize_)) == 0)
            ::lseek(journal_, static_cast<off_t>(journalSize_), SEEK_SET);
        return false;
    }
    journalSize_ += line.size();
    pending_.push_back({nowMs, topic, payload, journalSize_});
    return true;
}

void MqttQueue::Acknowledge(size_t count) {
    if (count == 0) return;
    for (; count > 0 && !pending_.empty(); --count) {
        done_ = pending_.front().End;
        pending_.pop_front();
    }
    // All delivered: the offset goes back to 0 before the journal is emptied, so that a crash in
    // between sends the old messages again rather than skipping new ones.
    if (pending_.empty() && WriteDone(0) && ::ftruncate(journal_, 0) == 0) {
        ::lseek(journal_, 0, SEEK_SET);
        journalSize_ = done_ = 0;
        return;
    }
    WriteDone(done_);
}

bool MqttQueue::WriteDone(size_t offset) {
    // A failure leaves an older offset: the next start sends some messages again, none is lost.
    const int fd = ::open((folder_ + "/done").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    char text[DoneWidth + 2];
    std::snprintf(text, sizeof text, "%0*zu\n", DoneWidth, offset);
    const bool written = WriteAll(fd, text);
    return ::close(fd) == 0 && written;
}

}  // namespace drumo::cli
