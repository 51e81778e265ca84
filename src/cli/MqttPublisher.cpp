#include "cli/MqttPublisher.h"

#include "model/DateTime.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace drumo::cli {

namespace {

constexpr int LongestRetryMs = 30000;
constexpr size_t InFlight = 50;  // messages sent ahead of their acknowledgement

const char* const Online = "online";
const char* const Offline = "offline";

void InitLibrary() {
    static const bool done = [] {
        mosquitto_lib_init();
        return true;
    }();
    (void)done;
}

std::string LibraryError(int rc) {
    return rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
}

}  // namespace

bool ParseMqttUrl(const std::string& url, MqttSettings& settings, std::string& why) {
    std::string rest;
    if (url.rfind("mqtt://", 0) == 0) {
        rest = url.substr(7);
        settings.Tls = false;
        settings.Port = 1883;
    } else if (url.rfind("mqtts://", 0) == 0) {
        rest = url.substr(8);
        settings.Tls = true;
        settings.Port = 8883;
    } else {
        why = "wants mqtt://host[:port] or mqtts://host[:port]";
        return false;
    }
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    const size_t colon = rest.rfind(':');
    // An IPv6 address is written in brackets: mqtt://[::1]:1883.
    const bool bracketed = !rest.empty() && rest.front() == '[';
    const size_t close = bracketed ? rest.find(']') : std::string::npos;
    if (bracketed && close == std::string::npos) {
        why = "an address in [ has no ]";
        return false;
    }
    std::string host = rest, port;
    if (colon != std::string::npos && (!bracketed || colon > close)) {
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
    }
    if (bracketed) host = host.substr(1, host.size() - 2);
    if (host.empty() || host.find_first_of("/@ ") != std::string::npos) {
        why = "wants a host name or address";
        return false;
    }
    if (!port.empty()) {
        char* end = nullptr;
        const long value = std::strtol(port.c_str(), &end, 10);
        if (*end != '\0' || value < 1 || value > 65535) {
            why = "wants a port 1..65535";
            return false;
        }
        settings.Port = static_cast<int>(value);
    }
    settings.Host = host;
    return true;
}

std::string TopicLevel(const std::string& text) {
    std::string level;
    for (const char ch : text) {
        const bool reserved = ch == '/' || ch == '+' || ch == '#' || static_cast<unsigned char>(ch) <= ' ';
        level += reserved ? '_' : ch;
    }
    return level.empty() ? "_" : level;
}

MqttPublisher::MqttPublisher(const MqttSettings& settings, MqttQueue& queue, Clock& clock, Say say)
    : settings_(settings), queue_(queue), clock_(clock), say_(std::move(say)) {
    settings_.Station = TopicLevel(settings_.Station);
    InitLibrary();
}

MqttPublisher::~MqttPublisher() {
    if (mosq_) mosquitto_destroy(mosq_);
}

std::string MqttPublisher::QueueText() const {
    const auto& pending = queue_.Pending();
    std::string text = std::to_string(pending.size()) + " messages (" + std::to_string(queue_.PendingBytes()) +
                       " bytes) queued";
    if (!pending.empty()) {
        const int64_t nowMs = static_cast<int64_t>(DateTimeToUnix(clock_.Now())) * 1000;
        text += ", the oldest " + std::to_string(std::max<int64_t>(0, nowMs - pending.front().QueuedMs) / 1000) +
                " s old";
    }
    return text;
}

void MqttPublisher::Start(const std::string& devicesJson) {
    devices_ = devicesJson;
    if (!queue_.Pending().empty()) say_("MQTT: " + QueueText() + " by an earlier run");
    Connect();
}

bool MqttPublisher::Publish(const std::string& topic, const std::string& payload) {
    const int64_t nowMs = static_cast<int64_t>(DateTimeToUnix(clock_.Now())) * 1000;
    if (!queue_.Push(nowMs, topic, payload)) {
        if (!queueFullSaid_)
            say_("MQTT: the queue cannot take more (" +
                 (queue_.Error().empty() ? QueueText() : queue_.Error()) +
                 "); readings go on into the archive only until the broker takes the queue");
        queueFullSaid_ = true;
        return false;
    }
    if (queueFullSaid_ && queue_.Error().empty()) say_("MQTT: the queue takes messages again");
    queueFullSaid_ = false;
    SendPending();
    if (!failure_.empty()) Drop(failure_);
    return true;
}

void MqttPublisher::Connect() {
    retryAtMs_ = clock_.TickMs() + retryPauseMs_;
    mosq_ = mosquitto_new(nullptr, true, this);
    if (!mosq_) {
        Drop("out of memory");
        return;
    }
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(mosq_, OnConnect);
    mosquitto_disconnect_callback_set(mosq_, OnDisconnect);
    mosquitto_publish_callback_set(mosq_, OnPublish);
    mosquitto_log_callback_set(mosq_, OnLog);
    tlsWhy_.clear();
    const std::string status = Prefix() + "status";
    int rc = mosquitto_will_set(mosq_, status.c_str(), static_cast<int>(std::strlen(Offline)), Offline, 1, true);
    if (rc == MOSQ_ERR_SUCCESS && !settings_.User.empty())
        rc = mosquitto_username_pw_set(mosq_, settings_.User.c_str(),
                                       settings_.Password.empty() ? nullptr : settings_.Password.c_str());
    if (rc == MOSQ_ERR_SUCCESS && settings_.Tls) {
        if (settings_.CaFile.empty())
            rc = mosquitto_int_option(mosq_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        else
            rc = mosquitto_tls_set(mosq_, settings_.CaFile.c_str(), nullptr, nullptr, nullptr, nullptr);
    }
    if (rc == MOSQ_ERR_SUCCESS)
        rc = mosquitto_connect_async(mosq_, settings_.Host.c_str(), settings_.Port, settings_.KeepAliveSeconds);
    // The handshake may already fail inside the connect call, or later in the loop.
    if (rc != MOSQ_ERR_SUCCESS) Drop(rc == MOSQ_ERR_TLS ? TlsFailure() : LibraryError(rc));
}

std::string MqttPublisher::TlsFailure() const {
    return "TLS: " + (tlsWhy_.empty() ? LibraryError(MOSQ_ERR_TLS) : tlsWhy_) +
           (settings_.CaFile.empty() ? "; --mqtt-ca names the broker's certificate authority"
                                     : "; is " + settings_.CaFile + " the broker's certificate authority?");
}

void MqttPublisher::Drop(const std::string& why) {
    const bool wasConnected = connected_;
    failure_.clear();
    if (mosq_) mosquitto_destroy(mosq_);  // what it held unanswered is sent again from the queue
    mosq_ = nullptr;
    connected_ = false;
    sentMids_.clear();
    acked_.clear();
    retryAtMs_ = clock_.TickMs() + retryPauseMs_;
    // Every attempt is told while the pause grows; then only a changed reason, or the queue every
    // longest pause, so that an outage of hours does not fill the log.
    if (wasConnected || why != lastWhy_ || retryPauseMs_ >= LongestRetryMs)
        say_("MQTT: " + std::string(wasConnected ? "lost " : "cannot reach ") + settings_.Host + ":" +
             std::to_string(settings_.Port) + " (" + why + "); " + QueueText() + "; next attempt in " +
             std::to_string(retryPauseMs_ / 1000) + " s");
    lastWhy_ = why;
    retryPauseMs_ = std::min(retryPauseMs_ * 2, LongestRetryMs);
}

void MqttPublisher::OnConnect(mosquitto*, void* self, int rc) {
    auto* p = static_cast<MqttPublisher*>(self);
    // The connection is never dropped inside the library's own call: Tick does it afterwards.
    if (rc != 0) {
        p->failure_ = std::string("refused: ") + mosquitto_connack_string(rc);
        return;
    }
    p->connected_ = true;
    p->retryPauseMs_ = 1000;
    p->lastWhy_.clear();
    p->say_("MQTT: connected to " + p->settings_.Host + ":" + std::to_string(p->settings_.Port) + "; " +
            p->QueueText());
    const std::string status = p->Prefix() + "status", devices = p->Prefix() + "devices";
    mosquitto_publish(p->mosq_, nullptr, status.c_str(), static_cast<int>(std::strlen(Online)), Online, 1, true);
    mosquitto_publish(p->mosq_, nullptr, devices.c_str(), static_cast<int>(p->devices_.size()), p->devices_.data(),
                      1, true);
    p->SendPending();
}

void MqttPublisher::OnLog(mosquitto*, void* self, int, const char* text) {
    // The library tells why a TLS handshake failed only in its log ("OpenSSL Error[0]: error:
    // 0A000086:SSL routines::certificate verify failed"): the reason after the last "::" is kept.
    const std::string line = text ? text : "";
    if (line.rfind("OpenSSL Error", 0) != 0) return;
    const size_t at = line.rfind("::");
    static_cast<MqttPublisher*>(self)->tlsWhy_ = at == std::string::npos ? line : line.substr(at + 2);
}

void MqttPublisher::OnDisconnect(mosquitto*, void* self, int rc) {
    auto* p = static_cast<MqttPublisher*>(self);
    p->connected_ = false;
    if (rc != 0) p->lastWhy_ = "connection lost";
}

void MqttPublisher::OnPublish(mosquitto*, void* self, int mid) {
    auto* p = static_cast<MqttPublisher*>(self);
    if (mid == p->offlineMid_) p->offlineAcked_ = true;
    // Only queued messages count; the status and device list are sent outside the queue.
    if (std::find(p->sentMids_.begin(), p->sentMids_.end(), mid) == p->sentMids_.end()) return;
    p->acked_.insert(mid);
    // Acknowledgements normally come in order; the queue only moves over an unbroken run of them.
    size_t delivered = 0;
    while (!p->sentMids_.empty() && p->acked_.erase(p->sentMids_.front()) > 0) {
        p->sentMids_.pop_front();
        ++delivered;
    }
    p->queue_.Acknowledge(delivered);
}

void MqttPublisher::SendPending() {
    const auto& pending = queue_.Pending();
    while (connected_ && mosq_ && sentMids_.size() < std::min(pending.size(), InFlight)) {
        const QueuedMessage& m = pending[sentMids_.size()];
        int mid = 0;
        const int rc = mosquitto_publish(mosq_, &mid, m.Topic.c_str(), static_cast<int>(m.Payload.size()),
                                         m.Payload.data(), 1, false);
        if (rc != MOSQ_ERR_SUCCESS) {
            failure_ = LibraryError(rc);
            return;
        }
        sentMids_.push_back(mid);
    }
}

void MqttPublisher::Tick() {
    if (!mosq_) {
        if (clock_.TickMs() >= retryAtMs_) Connect();
        return;
    }
    const int rc = mosquitto_loop(mosq_, 0, 1);
    if (!failure_.empty()) {
        Drop(failure_);
        return;
    }
    if (rc == MOSQ_ERR_TLS) {
        Drop(TlsFailure());
        return;
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        Drop(lastWhy_.empty() || rc != MOSQ_ERR_NO_CONN ? LibraryError(rc) : lastWhy_);
        return;
    }
    // A connection that does not complete in time is given up and tried again.
    if (!connected_ && clock_.TickMs() >= retryAtMs_ + 10000) {
        Drop("no answer");
        return;
    }
    SendPending();
    if (!failure_.empty()) Drop(failure_);
}

void MqttPublisher::Stop(int waitMs) {
    const int64_t until = clock_.TickMs() + waitMs;
    while (mosq_ && clock_.TickMs() < until && (!queue_.Pending().empty() || !connected_)) {
        Tick();
        if (!mosq_) break;
        clock_.SleepMs(5);
    }
    if (!mosq_ || !connected_) {
        if (!queue_.Pending().empty()) say_("MQTT: " + QueueText() + "; they are sent at the next start");
        return;
    }
    // A clean disconnect sends no last will: "offline" is said here.
    const std::string status = Prefix() + "status";
    mosquitto_publish(mosq_, &offlineMid_, status.c_str(), static_cast<int>(std::strlen(Offline)), Offline, 1, true);
    const int64_t offlineUntil = clock_.TickMs() + 2000;
    while (connected_ && !offlineAcked_ && clock_.TickMs() < offlineUntil) {
        if (mosquitto_loop(mosq_, 5, 1) != MOSQ_ERR_SUCCESS) break;
    }
    if (mosq_) mosquitto_disconnect(mosq_);
    if (mosq_) mosquitto_loop(mosq_, 5, 1);
}

}  // namespace drumo::cli
