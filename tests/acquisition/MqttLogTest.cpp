// drumo-cli log publishing to a real mosquitto broker, read by a real subscriber; and the queue on
// disk that keeps what the broker has not acknowledged.

#include "cli/CliSampleLines.h"
#include "cli/MqttPublisher.h"
#include "cli/MqttQueue.h"
#include "files/ArchiveReader.h"
#include "sim/Presets.h"
#include "support/MosquittoBroker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <iostream>
#include <set>
#include <sstream>
#include <tuple>

namespace drumo::test {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A sample as both sides can tell it: address, cable, time to the second, the readings as text.
using SampleKey = std::tuple<int, int, std::string, std::string>;

std::string Hundredths(int v) {
    if (v == NoValue) return "null";
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", v / 100.0);
    std::string s = text;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

class MqttLogTest : public ::testing::Test {
protected:
    MqttLogTest() {
        char dir[] = "/tmp/drumo-mqtt-XXXXXX";
        folder = ::mkdtemp(dir) ? dir : "";
        archive = folder + "/Archive";
    }
    ~MqttLogTest() override {
        EndProcess(logger, SIGKILL);
        EndProcess(subscriber);
        broker.reset();
        if (line.Line) line.Line->Close();
        fs::remove_all(folder);
    }
    void Serve() {
        std::string error;
        auto built = sim::BuildLine(*sim::PresetConfig("dorma-bus"), SystemClock::Instance(), error);
        ASSERT_TRUE(built) << error;
        line = std::move(*built);
        ASSERT_TRUE(line.Line->Open()) << line.Line->Error();
        ASSERT_TRUE(line.Line->MakeLink(folder + "/port"));
        line.Line->Start();
    }
    void StartLogger(const std::vector<std::string>& more = {}) {
        std::vector<std::string> words{DRUMO_CLI_PATH, "log", "--port", folder + "/port", "--to", "3", "--interval", "1",
                                       "--archive", archive, "--mqtt", broker->Url(), "--station", "site 1"};
        words.insert(words.end(), more.begin(), more.end());
        logger = SpawnInto(words, folder + "/logger.txt");
        ASSERT_GT(logger, 0);
    }
    // A certificate authority NAME.pem (with its key) made with openssl, and with `server`, a
    // certificate for 127.0.0.1 that it signed (server.pem, server.key).
    void MakeAuthority(const std::string& name, bool server) {
        const std::string f = folder + "/";
        const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ";
        std::string script = "openssl req -x509" + ec + "-keyout " + f + name + ".key -out " + f + name +
                             ".pem -days 2 -subj /CN=" + name;
        if (server) {
            std::ofstream(f + "san.ext") << "subjectAltName=IP:127.0.0.1\n";
            script += " && openssl req" + ec + "-keyout " + f + "server.key -out " + f + "server.csr -subj /CN=127.0.0.1" +
                      " && openssl x509 -req -in " + f + "server.csr -CA " + f + name + ".pem -CAkey " + f + name +
                      ".key -CAcreateserial -out " + f + "server.pem -days 2 -extfile " + f + "san.ext";
        }
        ASSERT_EQ(std::system(("(" + script + ") >>" + f + "openssl.log 2>&1").c_str()), 0) << ReadAll(f + "openssl.log");
    }
    // The sample messages the subscriber printed so far.
    std::vector<SampleKey> Received() const {
        std::vector<SampleKey> got;
        static const std::regex sample(
            R"(^drumo/site_1/(\d+)/(\d+) \{"time":"([0-9T:-]{19})[^"]*".*"t":\[([^\]]*)\]\}$)");
        std::istringstream in(ReadAll(folder + "/sub.txt"));
        for (std::string text; std::getline(in, text);)
            if (std::smatch m; std::regex_match(text, m, sample))
                got.emplace_back(std::stoi(m[1]), std::stoi(m[2]), m[3], m[4]);
        return got;
    }
    bool Await(size_t samples, int seconds) const {
        for (int i = 0; i < seconds * 20 && Received().size() < samples; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return Received().size() >= samples;
    }
    void Sleep(int ms) const { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    std::string folder, archive;
    sim::SimLine line;
    std::unique_ptr<MosquittoBroker> broker;
    pid_t logger = -1, subscriber = -1;
};

constexpr size_t kCables = 9;

// The broker stops for a while; meanwhile the logger is killed (kill -9) and started again. Once
// the broker is back, every sample of both archive files has reached the subscriber, in order per
// cable, with the archive's time and readings: at least once, none missing.
TEST_F(MqttLogTest, BrokerOutageAndLoggerRestartLoseNoSample) {
    Serve();
    broker = std::make_unique<MosquittoBroker>(folder);
    ASSERT_TRUE(broker->Start()) << ReadAll(folder + "/broker.log");
    subscriber = broker->Subscribe("drumo/#", folder + "/sub.txt");
    Sleep(300);
    StartLogger();
    ASSERT_TRUE(Await(2 * kCables, 30)) << ReadAll(folder + "/logger.txt");
    broker->Stop();
    Sleep(2500);
    EndProcess(logger, SIGKILL);
    StartLogger();
    Sleep(3000);
    ASSERT_TRUE(broker->Start());
    Sleep(3000);
    EXPECT_EQ(EndProcess(logger), 0) << ReadAll(folder + "/logger.txt");
    const std::string log = ReadAll(folder + "/logger.txt");
    EXPECT_NE(log.find("MQTT: cannot reach 127.0.0.1"), std::string::npos) << log;
    EXPECT_TRUE(std::regex_search(log, std::regex(R"(MQTT: \d+ messages \(\d+ bytes\) queued, the oldest \d+ s old by an earlier run)")))
        << log;

    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(archive))
        if (e.path().extension() == ".dml") files.push_back(e.path());
    ASSERT_EQ(files.size(), 2u);
    std::vector<SampleKey> archived;
    for (const std::string& file : files) {
        const ArchiveResult r = ReadDml(ReadAll(file));
        ASSERT_TRUE(r.Signed) << file;
        for (const ArchiveDevice& dev : r.Devices)
            for (size_t c = 0; c < dev.Cables.size(); ++c)
                for (size_t k = 0; k < dev.Cables[c].Times.size(); ++k) {
                    std::string values;
                    for (const auto& sensor : dev.Cables[c].Values) values += (values.empty() ? "" : ",") + Hundredths(sensor[k]);
                    std::string time = cli::IsoTime(dev.Cables[c].Times[k]);
                    archived.emplace_back(dev.Id.Address, static_cast<int>(c + 1), time, values);
                }
    }
    ASSERT_TRUE(Await(archived.size(), 20));
    const std::vector<SampleKey> got = Received();
    const std::set<SampleKey> unique(got.begin(), got.end());
    for (const SampleKey& s : archived)
        EXPECT_TRUE(unique.count(s)) << "missing: " << std::get<0>(s) << "/" << std::get<1>(s) << " " << std::get<2>(s);
    // Per cable the times arrive in order (a repeated message repeats an earlier one).
    std::map<std::pair<int, int>, std::string> last;
    for (const SampleKey& s : got) {
        std::string& before = last[{std::get<0>(s), std::get<1>(s)}];
        EXPECT_TRUE(before <= std::get<2>(s) || unique.count(s)) << std::get<2>(s);
        before = std::max(before, std::get<2>(s));
    }
    std::cout << "archived " << archived.size() << ", received " << got.size() << " (" << got.size() - unique.size()
              << " twice)\n";
    const std::string sub = ReadAll(folder + "/sub.txt");
    EXPECT_NE(sub.find("drumo/site_1/status online"), std::string::npos);
    EXPECT_NE(sub.find("drumo/site_1/devices [{\"address\":1"), std::string::npos);
}

// A broker that speaks TLS only and takes one user: the logger that trusts the broker's
// certificate authority (--mqtt-ca) publishes through it with the password of its service
// credential; one given another authority says why it cannot connect and keeps the samples queued.
TEST_F(MqttLogTest, TlsBrokerIsReachedWithItsAuthorityAndRefusedWithAnother) {
    MakeAuthority("ca", true);
    MakeAuthority("other-ca", false);
    Serve();
    broker = std::make_unique<MosquittoBroker>(folder);
    broker->UseTls(folder + "/ca.pem", folder + "/server.pem", folder + "/server.key");
    broker->RequirePassword("silo-north", "s3cret:x");
    fs::create_directories(folder + "/credentials");
    std::ofstream(folder + "/credentials/mqtt-auth") << "silo-north:s3cret:x\n";
    ::setenv("CREDENTIALS_DIRECTORY", (folder + "/credentials").c_str(), 1);
    ASSERT_TRUE(broker->Start()) << ReadAll(folder + "/broker.log");
    // An authority that cannot be read, or one for a broker without TLS, is wrong usage.
    for (const auto& [url, ca] : {std::pair{broker->Url(), folder + "/missing.pem"},
                                  std::pair{std::string("mqtt://127.0.0.1:1"), folder + "/ca.pem"}}) {
        pid_t tool = SpawnInto({DRUMO_CLI_PATH, "log", "--port", folder + "/port", "--archive", archive, "--mqtt", url,
                                "--mqtt-ca", ca},
                               folder + "/usage.txt");
        int status = 0;
        ::waitpid(tool, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << ca;
    }
    EXPECT_NE(ReadAll(folder + "/usage.txt").find("missing.pem: No such file or directory"), std::string::npos);
    subscriber = broker->Subscribe("drumo/#", folder + "/sub.txt");
    Sleep(300);
    StartLogger({"--mqtt-ca", folder + "/other-ca.pem"});
    Sleep(4000);
    EXPECT_EQ(EndProcess(logger), 0);
    std::string log = ReadAll(folder + "/logger.txt");
    EXPECT_TRUE(std::regex_search(
        log, std::regex("MQTT: cannot reach 127.0.0.1:\\d+ \\(TLS: [^;]+; is .*other-ca.pem the broker's certificate")))
        << log;
    EXPECT_TRUE(Received().empty());

    StartLogger({"--mqtt-ca", folder + "/ca.pem"});
    // The samples the refused run queued arrive first, then the new ones.
    EXPECT_TRUE(Await(3 * kCables, 30)) << ReadAll(folder + "/logger.txt");
    EXPECT_EQ(EndProcess(logger), 0);
    log = ReadAll(folder + "/logger.txt");
    EXPECT_NE(log.find("MQTT: connected to 127.0.0.1"), std::string::npos) << log;
    EXPECT_NE(ReadAll(folder + "/sub.txt").find("drumo/site_1/status online"), std::string::npos);
    ::unsetenv("CREDENTIALS_DIRECTORY");
}

// The queue on disk: what a run left unacknowledged comes back in order at the next start, a line
// cut short by a crash is dropped, a full queue refuses more, and a second user is locked out.
TEST(MqttQueue, KeepsUnacknowledgedMessagesAcrossRestarts) {
    const std::string dir = testing::TempDir() + "drumo-queue-" + std::to_string(::getpid());
    fs::remove_all(dir);
    std::string error;
    {
        cli::MqttQueue q;
        ASSERT_TRUE(q.Open(dir, 200, error)) << error;
        cli::MqttQueue second;
        EXPECT_FALSE(second.Open(dir, 200, error));
        EXPECT_NE(error.find("used by another logger"), std::string::npos);
        for (int i = 0; i < 4; ++i) ASSERT_TRUE(q.Push(1000 + i, "t/" + std::to_string(i), "{\"n\":" + std::to_string(i) + "}"));
        q.Acknowledge(1);
        EXPECT_EQ(q.Pending().size(), 3u);
        while (q.PendingBytes() < 200) ASSERT_TRUE(q.Push(2000, "t/x", "{}"));
        EXPECT_FALSE(q.Push(2000, "t/y", "{}"));  // full
    }
    std::ofstream(dir + "/journal", std::ios::app) << "3000\tt/torn\t{\"cut";
    cli::MqttQueue q;
    ASSERT_TRUE(q.Open(dir, 200, error)) << error;
    ASSERT_GE(q.Pending().size(), 3u);
    EXPECT_EQ(q.Pending()[0].Topic, "t/1");
    EXPECT_EQ(q.Pending()[0].Payload, "{\"n\":1}");
    EXPECT_EQ(q.Pending()[0].QueuedMs, 1001);
    EXPECT_EQ(q.Pending().back().Topic, "t/x");
    q.Acknowledge(q.Pending().size());
    EXPECT_EQ(fs::file_size(dir + "/journal"), 0u);
    EXPECT_TRUE(q.Push(4000, "t/after", "{}"));
    fs::remove_all(dir);
}

TEST(MqttSettings, UrlsAndTopicLevels) {
    struct Row {
        std::string Url;
        bool Ok;
        std::string Host;
        int Port;
        bool Tls;
    };
    for (const Row& row : std::vector<Row>{{"mqtt://broker.local", true, "broker.local", 1883, false},
                                           {"mqtts://10.0.0.5:9883/", true, "10.0.0.5", 9883, true},
                                           {"mqtt://[::1]:1884", true, "::1", 1884, false},
                                           {"mqtt://host:0", false, "", 0, false},
                                           {"tcp://host", false, "", 0, false},
                                           {"mqtt://user@host", false, "", 0, false}}) {
        cli::MqttSettings s;
        std::string why;
        ASSERT_EQ(cli::ParseMqttUrl(row.Url, s, why), row.Ok) << row.Url;
        if (!row.Ok) continue;
        EXPECT_EQ(s.Host, row.Host);
        EXPECT_EQ(s.Port, row.Port);
        EXPECT_EQ(s.Tls, row.Tls);
    }
    EXPECT_EQ(cli::TopicLevel("Силос 1/+#\t"), "Силос_1____");
    EXPECT_EQ(cli::TopicLevel(""), "_");
}

}  // namespace
}  // namespace drumo::test
