#pragma once
// A scripted device on the master side of a pseudo-terminal. The program under test opens
// SlavePath() like a serial port; the peer's thread collects what the program writes and calls
// the behaviour about once a millisecond with the bytes not yet consumed, so the behaviour can
// wait for a whole request, answer it, misbehave, or talk unasked. Replies can be paced at the
// byte time of a baud rate, as a real line would deliver them.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace drumo::test {

class PtyPeer {
public:
    // Runs on the peer's thread. `pending` holds the received bytes the behaviour has not erased.
    using Behaviour = std::function<void(PtyPeer& peer, std::vector<uint8_t>& pending)>;

    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool Ok() const { return master_ >= 0; }
    const std::string& SlavePath() const { return slavePath_; }

    void Start(Behaviour behaviour);
    void Stop();

    // Sends bytes to the program. With byteTimeS > 0 each byte is written when it would have
    // been completely received on a line of that byte time (one byte time apart).
    void Send(const std::vector<uint8_t>& bytes, double byteTimeS = 0.0);
    void Send(const uint8_t* data, size_t n, double byteTimeS = 0.0);

    // Everything the program has written so far.
    std::vector<uint8_t> Received() const;
    // Waits (a bounded real time) until the program has written at least n bytes.
    bool WaitReceived(size_t n, int timeoutMs = 2000) const;

private:
    void Run();

    int master_ = -1;
    std::string slavePath_;
    Behaviour behaviour_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    mutable std::condition_variable received_cv_;
    std::vector<uint8_t> received_;
};

// Helpers for behaviours.
std::vector<uint8_t> Bytes(std::initializer_list<int> values);
// Sleeps a real time in seconds on the peer's thread.
void PeerPause(double seconds);

}  // namespace drumo::test
