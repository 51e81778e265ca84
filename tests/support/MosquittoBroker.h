#pragma once
// A real mosquitto broker for a test, on 127.0.0.1 on a port that was free, with its sessions kept
// on disk so that a stop and a start again (a broker outage) keep a durable subscriber's queue;
// with UseTls, its listener speaks TLS only. And a real subscriber: mosquitto_sub, printing
// "topic payload" lines into a file.

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace drumo::test {

// Starts a program with its standard output and error into a file; -1 when it cannot.
inline pid_t SpawnInto(std::vector<std::string> words, const std::string& outFile) {
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// Ends a started program with `sig` and waits for it; its exit status, or -1.
inline int EndProcess(pid_t& pid, int sig = SIGTERM) {
    if (pid <= 0) return -1;
    ::kill(pid, sig);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class MosquittoBroker {
public:
    explicit MosquittoBroker(const std::string& folder) : folder_(folder) {
        // A port the system hands out is free now; the broker binds it a moment later.
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port_ = ntohs(a.sin_port);
        ::close(s);
    }
    ~MosquittoBroker() { Stop(); }

    // From the next start on, the listener speaks TLS with the server certificate and key (PEM);
    // the subscriber trusts the certificate authority `ca`.
    void UseTls(const std::string& ca, const std::string& cert, const std::string& key) {
        ca_ = ca;
        tls_ = "cafile " + ca + "\ncertfile " + cert + "\nkeyfile " + key + "\n";
    }

    // From the next start on, the broker takes only this user with this password; so does the
    // subscriber.
    void RequirePassword(const std::string& user, const std::string& password) {
        const std::string file = folder_ + "/passwords";
        const std::string command = "mosquitto_passwd -b -c " + file + " " + user + " " + password;
        if (std::system(command.c_str()) != 0) return;
        auth_ = "allow_anonymous false\npassword_file " + file + "\n";
        user_ = {"-u", user, "-P", password};
    }

    // Starts the broker and waits (at most 5 s) until it takes connections.
    bool Start() {
        std::ofstream(folder_ + "/mosquitto.conf") << "listener " << port_ << " 127.0.0.1\n"
                                                   << tls_ << (auth_.empty() ? "allow_anonymous true\n" : auth_)
                                                   << "persistence true\n"
                                                   << "persistence_location " << folder_ << "/\n"
                                                   // Started by root, it would give up its rights for
                                                   // a user that cannot write the test's folder.
                                                   << (::geteuid() == 0 ? "user root\n" : "");
        pid_ = SpawnInto({"mosquitto", "-c", folder_ + "/mosquitto.conf"}, folder_ + "/broker.log");
        for (int i = 0; pid_ > 0 && i < 500; ++i) {
            const int s = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(static_cast<uint16_t>(port_));
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            const bool up = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
            ::close(s);
            if (up) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    void Stop() { EndProcess(pid_); }

    int Port() const { return port_; }
    std::string Url() const { return (tls_.empty() ? "mqtt://" : "mqtts://") + std::string("127.0.0.1:") + std::to_string(port_); }

    // A durable QoS 1 subscriber of `topic`: the broker keeps its messages while it is away.
    pid_t Subscribe(const std::string& topic, const std::string& outFile) const {
        std::vector<std::string> words{"mosquitto_sub", "-h", "127.0.0.1", "-p", std::to_string(port_), "-q", "1", "-c",
                                       "-i", "drumo-test-subscriber", "-v", "-t", topic};
        if (!ca_.empty()) words.insert(words.end(), {"--cafile", ca_});
        words.insert(words.end(), user_.begin(), user_.end());
        return SpawnInto(words, outFile);
    }

private:
    std::string folder_;
    std::string tls_, ca_;  // the listener's TLS lines, the subscriber's certificate authority
    std::string auth_;      // the broker's password lines
    std::vector<std::string> user_;  // the subscriber's user and password options
    int port_ = 0;
    pid_t pid_ = -1;
};

}  // namespace drumo::test
