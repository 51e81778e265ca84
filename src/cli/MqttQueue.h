#pragma once
// The messages of the logger that the MQTT broker has not acknowledged yet, kept in order in a
// folder on disk so that none is lost while the broker is away, also when the logger is ended
// and started again meanwhile.
//
// The folder holds three files:
//   journal  one message per line: the moment it was queued (milliseconds since 1970), a tab,
//            the topic, a tab, the payload (JSON, which never holds a raw tab or line end)
//   done     the byte offset in the journal of the first message not acknowledged, as text
//   lock     held (flock) by the one logger that uses the folder
// Messages are appended to the journal as they come; acknowledged ones only move the offset
// forward. Once every message is acknowledged both files are emptied, so with a broker that
// answers the journal is emptied within a second and its pages hardly ever reach the card.
// A journal line cut short by a crash or power loss is dropped at the next start. A message
// counts as delivered only after the broker acknowledged it, so a message can arrive twice
// (once before a crash that came before its offset was written), never not at all.

#include <cstdint>
#include <deque>
#include <string>

namespace drumo::cli {

struct QueuedMessage {
    int64_t QueuedMs = 0;  // milliseconds since 1970
    std::string Topic;
    std::string Payload;
    size_t End = 0;        // the journal offset after this message's line
};

class MqttQueue {
public:
    MqttQueue() = default;
    ~MqttQueue();
    MqttQueue(const MqttQueue&) = delete;
    MqttQueue& operator=(const MqttQueue&) = delete;

    // Opens (creating) the folder and takes its lock; reads the messages left by an earlier run.
    // False with the reason when the folder cannot be used or another logger holds it.
    bool Open(const std::string& folder, size_t maxBytes, std::string& error);

    // Appends a message; false when the queue already holds maxBytes (the message is not kept)
    // or the journal cannot be written (the reason in Error()).
    bool Push(int64_t nowMs, const std::string& topic, const std::string& payload);

    // The messages not acknowledged, oldest first.
    const std::deque<QueuedMessage>& Pending() const { return pending_; }
    size_t PendingBytes() const { return journalSize_ - done_; }

    // The first `count` pending messages were acknowledged by the broker.
    void Acknowledge(size_t count);

    const std::string& Error() const { return error_; }

private:
    bool Load();
    bool WriteDone(size_t offset);

    std::string folder_;
    size_t maxBytes_ = 0;
    int journal_ = -1;
    int lock_ = -1;
    size_t journalSize_ = 0;
    size_t done_ = 0;
    std::deque<QueuedMessage> pending_;
    std::string error_;
};

}  // namespace drumo::cli
