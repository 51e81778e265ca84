#pragma once
// Publishing the logger's readings to an MQTT broker with libmosquitto, QoS 1. Every message goes
// through the queue on disk first (MqttQueue) and leaves it only when the broker acknowledged it,
// so a broker that is away, or a logger that is restarted meanwhile, loses nothing: the queue is
// sent in order once the broker is back. A message may arrive twice (at least once delivery),
// with the same content and the same sample time.
//
// Topics, with <station> the station's name:
//   drumo/<station>/status   "online" (retained), and "offline" as the last will and at a stop
//   drumo/<station>/devices  the devices found, JSON (retained)
//   drumo/<station>/<device>/<cable>   one message per cable sample
//   drumo/<station>/alarm    a cable that crossed an alarm limit, or came back within them
//
// Everything runs on the logger's thread: Tick() does the network work that is waiting and never
// blocks; a broker that cannot be reached is tried again after a pause that grows to 30 s.

#include "base/Services.h"
#include "cli/MqttQueue.h"

#include <deque>
#include <functional>
#include <set>
#include <string>

struct mosquitto;

namespace drumo::cli {

struct MqttSettings {
    std::string Host;
    int Port = 1883;
    bool Tls = false;
    std::string CaFile;    // TLS: the certificate authority to trust; empty: the system's
    std::string User;      // empty: no user name
    std::string Password;
    std::string Station;   // one topic level
    int KeepAliveSeconds = 60;
};

// "mqtt://host[:port]" or "mqtts://host[:port]" (TLS, port 8883 by default). False with the
// reason for anything else.
bool ParseMqttUrl(const std::string& url, MqttSettings& settings, std::string& why);

// A text as one topic level: the characters MQTT reserves (/ + #), blanks and control
// characters become "_"; an empty text becomes "_".
std::string TopicLevel(const std::string& text);

class MqttPublisher {
public:
    using Say = std::function<void(const std::string&)>;

    MqttPublisher(const MqttSettings& settings, MqttQueue& queue, Clock& clock, Say say);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // The retained device list sent at every connection; then the first attempt to connect.
    void Start(const std::string& devicesJson);
    // Queues a message; false when the queue is full or cannot be written (logged once).
    bool Publish(const std::string& topic, const std::string& payload);
    // Network work that is waiting; connects again when it is time.
    void Tick();
    // Delivers what it can within waitMs, says "offline" and disconnects.
    void Stop(int waitMs);

    bool Connected() const { return connected_; }
    std::string Prefix() const { return "drumo/" + settings_.Station + "/"; }

private:
    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnDisconnect(mosquitto*, void* self, int rc);
    static void OnPublish(mosquitto*, void* self, int mid);
    static void OnLog(mosquitto*, void* self, int level, const char* text);

    void Connect();
    void Drop(const std::string& why);
    // Why a TLS handshake failed, with the certificate authority to check.
    std::string TlsFailure() const;
    void SendPending();
    std::string QueueText() const;

    MqttSettings settings_;
    MqttQueue& queue_;
    Clock& clock_;
    Say say_;
    std::string devices_;
    mosquitto* mosq_ = nullptr;
    bool connected_ = false;
    bool queueFullSaid_ = false;
    int64_t retryAtMs_ = 0;
    int retryPauseMs_ = 1000;
    std::deque<int> sentMids_;  // the message ids of the first pending messages, sent and unanswered
    std::set<int> acked_;       // acknowledged ids not yet at the front
    std::string lastWhy_;
    std::string failure_;       // met inside a library call; the connection is dropped after it
    std::string tlsWhy_;        // the TLS library's reason for the last failed handshake
    int offlineMid_ = -1;
    bool offlineAcked_ = false;
};

}  // namespace drumo::cli
