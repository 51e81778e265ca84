// drumo-cli against scripted devices on pseudo-terminals: arguments in, key=value lines out.
#include "app/AppPaths.h"
#include "cli/Cli.h"
#include "cli/LinkSession.h"
#include "link/CommandProtocol.h"
#include "link/Crc16.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include <sys/stat.h>

namespace drumo {

using test::Bytes;
using test::PtyPeer;

namespace {

struct Result {
    int exit;
    std::string out, err;
};

Result RunTool(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int exit = cli::RunCli(args, out, err);
    return {exit, out.str(), err.str()};
}

// Answers one request of `requestLength` bytes with `reply`.
PtyPeer::Behaviour AnswerOnce(size_t requestLength, std::vector<uint8_t> reply) {
    return [=, sent = false](PtyPeer& peer, std::vector<uint8_t>& pending) mutable {
        if (sent || pending.size() < requestLength) return;
        pending.clear();
        sent = true;
        peer.Send(reply);
    };
}

std::vector<uint8_t> WithCrc(std::vector<uint8_t> frame) {
    const size_t n = frame.size();
    frame.resize(n + 2);
    AppendCrc16(frame.data(), n);
    return frame;
}

}  // namespace

TEST(Cli, CmdReadPrintsStatusLengthAndData) {
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    std::vector<uint8_t> reply = {40, 4, 210, 0x01, 0x02, 0xA3, 0xFF};
    const uint16_t sum = BlockChecksum(reply.data() + 3, 4);
    reply.push_back(static_cast<uint8_t>(sum >> 8));
    reply.push_back(static_cast<uint8_t>(sum & 0xFF));
    peer.Start(AnswerOnce(3, reply));
    const auto r = RunTool({"cmd", "--port", peer.SlavePath(), "--baud", "115200", "40"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "status=0\nmessage=\nlength=4\ndata=01 02 A3 FF\n");
    EXPECT_EQ(peer.Received(), Bytes({0x28, 0x50, 0x86}));
}

TEST(Cli, CmdWriteSendsTheDataAndReportsTheDeviceStatus) {
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    peer.Start(AnswerOnce(6, {8, 3, 243}));
    const auto r = RunTool({"cmd", "--port=" + peer.SlavePath(), "73", "0x03"});
    EXPECT_EQ(peer.Received(), Bytes({0x49, 0x01, 0xB4, 0x03, 0xFF, 0xFB}));
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "status=3\nmessage=Прибор> Неизвестная команда\n");
    EXPECT_NE(r.err.find("Прибор> Неизвестная команда"), std::string::npos);
}

TEST(Cli, ModbusReadByPortNumberPrintsTheRegisters) {
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    peer.Start(AnswerOnce(8, WithCrc({1, 3, 4, 0x00, 0x2A, 0xFF, 0xFF})));
    ::setenv("DRUMO_PORTS", ("7=" + peer.SlavePath()).c_str(), 1);
    const auto r = RunTool({"modbus", "--port", "7", "1", "3", "0", "2"});
    ::unsetenv("DRUMO_PORTS");
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "status=0\nmessage=\ncount=2\nregisters=42 65535\n");
    EXPECT_EQ(peer.Received(), WithCrc({1, 3, 0, 0, 0, 2}));
}

TEST(Cli, PortNumberMapsThroughThePortsSectionOfTheSettingsFile) {
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    peer.Start(AnswerOnce(8, WithCrc({1, 3, 2, 0x00, 0x07})));
    char dir[] = "/tmp/drumo-cli-ini-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string ini = std::string(dir) + "/ProgSet.ini";
    std::ofstream(ini, std::ios::binary) << "[Find]\r\nProtocol=1\r\n[Ports]\r\nCom9=" << peer.SlavePath()
                                         << "\r\n";
    const auto r = RunTool({"modbus", "--port", "9", "--settings", ini, "1", "3", "0", "1"});
    std::filesystem::remove_all(dir);
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "status=0\nmessage=\ncount=1\nregisters=7\n");
}

// Without --settings the tool reads the settings file the program itself would use. A settings file
// lies in every candidate place, each mapping port 9 to its own name, so the port map shows which
// one was read.
TEST(Cli, DefaultSettingsFileIsTheProgramsOwn) {
    char dir[] = "/tmp/drumo-cli-home-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string root = dir;
    const std::map<std::string, std::string> files = {
        {"home", root + "/home/ini/ProgSet.ini"},          {"exe", root + "/exe/ini/ProgSet.ini"},
        {"xdg", root + "/xdg/drumo/ProgSet.ini"},           {"user", root + "/user/.config/drumo/ProgSet.ini"}};
    for (const auto& [name, path] : files) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << "[Ports]\r\nCom9=/dev/" << name << "\r\n";
    }
    struct Case {
        const char* what;
        std::map<std::string, std::string> env;
        std::set<std::string> writable;  // folders the tool may write to
        const char* read;                // which file's port map is used
    };
    const std::string home = root + "/home", exe = root + "/exe";
    const std::vector<Case> cases = {
        {"DRUMO_HOME writable", {{"DRUMO_HOME", home + "/"}, {"HOME", root + "/user"}}, {home, exe}, "home"},
        {"beside the executable", {{"HOME", root + "/user"}, {"XDG_CONFIG_HOME", root + "/xdg"}}, {exe}, "exe"},
        {"DRUMO_HOME read-only", {{"DRUMO_HOME", home}, {"HOME", root + "/user"}, {"XDG_CONFIG_HOME", root + "/xdg"}},
         {exe},
         "xdg"},
        {"XDG_CONFIG_HOME absolute", {{"HOME", root + "/user"}, {"XDG_CONFIG_HOME", root + "/xdg/"}}, {}, "xdg"},
        {"XDG_CONFIG_HOME relative", {{"HOME", root + "/user"}, {"XDG_CONFIG_HOME", "cfg"}}, {}, "user"},
        {"no XDG_CONFIG_HOME", {{"HOME", root + "/user"}}, {}, "user"},
    };
    for (const auto& c : cases) {
        const PathEnvironment env{
            exe,
            [&c](const char* name) -> const char* {
                const auto it = c.env.find(name);
                return it == c.env.end() ? nullptr : it->second.c_str();
            },
            [&c](const std::string& folder) { return c.writable.count(folder) > 0; }};
        const auto ports = cli::ConfiguredPorts(cli::DefaultSettingsFile(env));
        EXPECT_EQ(ports, (std::map<int, std::string>{{9, std::string("/dev/") + c.read}})) << c.what;
    }
    std::filesystem::remove_all(dir);
}

// A settings file that is no regular file would hang the tool or fill the memory.
TEST(Cli, ASettingsFileThatIsNoRegularFileIsRefusedByName) {
    char dir[] = "/tmp/drumo-cli-ini-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string fifo = std::string(dir) + "/fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    for (const std::string& path : {fifo, std::string(dir), std::string("/dev/zero")}) {
        const auto r = RunTool({"modbus", "--port", "9", "--settings", path, "1", "3", "0", "1"});
        EXPECT_EQ(r.exit, 2) << path;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "drumo-cli: cannot read the settings file " + path + ": not a regular file\n");
    }
    std::filesystem::remove_all(dir);
}

TEST(Cli, ModbusWriteAndIdentification) {
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    peer.Start(AnswerOnce(13, WithCrc({2, 16, 0, 47, 0, 2})));
    auto r = RunTool({"modbus", "--port", peer.SlavePath(), "2", "16", "47", "2", "1", "0x1234"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(peer.Received(), WithCrc({2, 16, 0, 47, 0, 2, 4, 0, 1, 0x12, 0x34}));
    peer.Stop();

    PtyPeer idPeer;
    ASSERT_TRUE(idPeer.Ok());
    idPeer.Start(AnswerOnce(4, WithCrc({1, 17, 2, 0x44, 0x31})));
    r = RunTool({"modbus", "--port", idPeer.SlavePath(), "1", "17", "0", "0"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "status=0\nmessage=\ncount=1\nregisters=17457\ndata=44 31\n");
}

TEST(Cli, ModbusExceptionExitsNonZeroWithTheMessage) {
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    peer.Start(AnswerOnce(8, WithCrc({1, 0x83, 2})));
    const auto r = RunTool({"modbus", "--port", peer.SlavePath(), "--delay", "20", "1", "3", "500", "1"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "status=56\nmessage=Команда 3: Ответ прибора> Принятый адрес регистра не используется\n");
    EXPECT_NE(r.err.find("Принятый адрес регистра"), std::string::npos);
}

TEST(Cli, PortThatCannotBeOpenedGives30) {
    const auto r = RunTool({"modbus", "--port", "/nonexistent/tty", "1", "3", "0", "1"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "status=30\nmessage=COM-порт не активирован\n");
    EXPECT_NE(r.err.find("/nonexistent/tty"), std::string::npos);
}

TEST(Cli, WrongUsageExitsWith2BeforeTouchingAPort) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"cmd"},
        {"cmd", "0"},
        {"cmd", "128"},
        {"cmd", "5"},             // no such command
        {"cmd", "40", "1"},       // a read takes no data
        {"cmd", "73"},            // a write of one byte without it
        {"cmd", "73", "256"},
        {"cmd", "73", "-1"},
        {"cmd", "--port"},
        {"cmd", "--port", "0", "40"},
        {"cmd", "--port", "Com0", "40"},
        {"cmd", "--port", "tty USB0", "40"},
        {"cmd", "--options", "--port '/dev/ttyS0", "40"},  // a quote not closed
        {"cmd", "--baud", "12345", "40"},
        {"cmd", "--delay", "-5", "40"},
        {"modbus", "1", "3", "0"},
        {"modbus", "0", "3", "0", "1"},
        {"modbus", "1", "5", "0", "1"},
        {"modbus", "1", "3", "0", "125"},
        {"modbus", "1", "3", "0", "0"},
        {"modbus", "1", "16", "0", "2", "7"},
        {"modbus", "1", "16", "0", "1", "70000"},
        {"modbus", "1", "3", "0", "1", "9"},
        {"modbus", "1", "3", "0x", "1"},
    };
    for (const auto& args : cases) {
        const auto r = RunTool(args);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_EQ(r.exit, 2) << joined;
        EXPECT_EQ(r.out, "") << joined;
        EXPECT_FALSE(r.err.empty()) << joined;
    }
}

TEST(Cli, HelpListsEverySubcommandAndTheirUsage) {
    auto r = RunTool({"--help"});
    EXPECT_EQ(r.exit, 0);
    for (const auto& s : cli::Subcommands()) EXPECT_NE(r.out.find(s.Name), std::string::npos) << s.Name;
    r = RunTool({"modbus", "--help"});
    EXPECT_EQ(r.exit, 0);
    EXPECT_NE(r.out.find("usage: drumo-cli modbus"), std::string::npos);
    EXPECT_NE(r.out.find("--delay"), std::string::npos);
}

TEST(Cli, VersionAndOptionsInOneWord) {
    auto r = RunTool({"--version"});
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.out, "drumo-cli " + ProgramVersion() + "\n");
    EXPECT_TRUE(std::regex_match(r.out, std::regex("drumo-cli [0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+\n")));
    // The words of --options are parsed as if they stood there, quotes removed.
    r = RunTool({"modbus", "--options=--delay 20 '--help'"});
    EXPECT_EQ(r.exit, 0);
    EXPECT_NE(r.out.find("usage: drumo-cli modbus"), std::string::npos);
    r = RunTool({"cmd", "--options", "--baud \"12345\"", "40"});
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("--baud wants"), std::string::npos) << r.err;
}

// The forms of --port, the instance names of the logging service among them.
TEST(CliArgs, PortForms) {
    const struct {
        std::string Text, Folder;
        bool Ok;
        std::string Port;
    } cases[] = {
        {"3", "/", true, "\\\\.\\Com3"},
        {"Com17", "/", true, "\\\\.\\Com17"},
        {"cOM255", "/", true, "\\\\.\\Com255"},
        {"/dev/ttyUSB0", "/tmp", true, "/dev/ttyUSB0"},
        {"ttyUSB0", "/tmp", true, "/dev/ttyUSB0"},
        {"ttyAMA0", "/", true, "/dev/ttyAMA0"},
        {"dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0", "/", true,
         "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0"},
        {"pts/5", "/dev", true, "/dev/pts/5"},
        {"comedi0", "/", true, "/dev/comedi0"},
        {"0", "/", false, ""},
        {"256", "/", false, ""},
        {"Com0", "/", false, ""},
        {"", "/", false, ""},
        {"..", "/", false, ""},
        {"tty USB0", "/", false, ""},
        {"-x", "/", false, ""},
    };
    for (const auto& c : cases) {
        std::string port = "unchanged";
        EXPECT_EQ(cli::PortFromArgument(c.Text, c.Folder, port), c.Ok) << c.Text;
        EXPECT_EQ(port, c.Ok ? c.Port : "unchanged") << c.Text;
    }
}

// Options from a service's configuration file: split as a shell splits words, nothing expanded.
TEST(CliArgs, SplitWordsAsAShellDoesWithoutExpanding) {
    using Words = std::vector<std::string>;
    const struct {
        std::string Text;
        bool Ok;
        Words Expected;
    } cases[] = {
        {"", true, {}},
        {" --to 3  --interval\t60\n", true, {"--to", "3", "--interval", "60"}},
        {"--settings '/etc/drumo/site 2.ini'", true, {"--settings", "/etc/drumo/site 2.ini"}},
        {R"(--archive "/srv/a \"b\" c\d")", true, {"--archive", R"(/srv/a "b" c\d)"}},
        {R"(a\ b 'it'\''s' x"y"z)", true, {"a b", "it's", "xyz"}},
        {"'' x \"\"", true, {"", "x", ""}},
        {"$HOME $(rm -rf /) `id` ; *", true, {"$HOME", "$(rm", "-rf", "/)", "`id`", ";", "*"}},
        {"--to 'open", false, {}},
        {"--to \"open", false, {}},
        {"--to 3\\", false, {}},
    };
    for (const auto& c : cases) {
        Words words;
        std::string error;
        EXPECT_EQ(cli::SplitWords(c.Text, words, error), c.Ok) << c.Text;
        if (c.Ok) EXPECT_EQ(words, c.Expected) << c.Text;
        else EXPECT_FALSE(error.empty()) << c.Text;
    }
}

TEST(CliArgs, NumbersAndOptions) {
    long v = 0;
    EXPECT_TRUE(cli::ParseNumber("0x1F", 0, 255, v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(cli::ParseNumber("255", 0, 255, v));
    EXPECT_FALSE(cli::ParseNumber("256", 0, 255, v));
    EXPECT_FALSE(cli::ParseNumber("+5", 0, 255, v));
    EXPECT_FALSE(cli::ParseNumber("5x", 0, 255, v));
    EXPECT_FALSE(cli::ParseNumber("", 0, 255, v));
    EXPECT_FALSE(cli::ParseNumber("99999999999999999999", 0, 255, v));

    cli::CliArgs a;
    std::string error;
    ASSERT_TRUE(cli::ParseArgs({"--port", "3", "40", "--baud=9600", "--help", "x", "--", "--port", "-"}, {"help"},
                               {"port", "baud"}, a, error));
    EXPECT_EQ(a.Options.at("port"), "3");
    EXPECT_EQ(a.Options.at("baud"), "9600");
    EXPECT_TRUE(a.Flags.count("help"));
    EXPECT_EQ(a.Positional, (std::vector<std::string>{"40", "x", "--port", "-"}));
}

// A misspelt or misplaced option stops the tool before it does anything, naming the problem.
TEST(CliArgs, UnknownOrIncompleteOptionsAreErrors) {
    const struct {
        std::vector<std::string> Args;
        std::string Message;
    } cases[] = {
        {{"poll", "--sample", "3", "--outt", "x.dml"}, "poll: unknown option --sample (did you mean --samples?)"},
        {{"poll", "--samples", "3", "--outt", "x.dml"}, "poll: unknown option --outt (did you mean --out?)"},
        {{"scan", "--too", "3"}, "scan: unknown option --too (did you mean --to?)"},
        {{"poll", "--samplesxx", "3"}, "poll: unknown option --samplesxx (did you mean --samples?)"},
        {{"poll", "--samplesxxx", "3"}, "poll: unknown option --samplesxxx\n"},
        {{"poll", "--" + std::string(100000, 's'), "3"}, "poll: unknown option --sss"},
        {{"cmd", "--verbose", "40"}, "cmd: unknown option --verbose\n"},
        {{"cmd", "--from", "1", "40"}, "cmd: unknown option --from"},
        {{"poll", "--out", "--samples", "3"}, "poll: option --out needs a value"},
        {{"scan", "--all-ports=yes"}, "scan: option --all-ports takes no value"},
        {{"export", "a.dml", "--csv"}, "export: option --csv needs a value"},
    };
    for (const auto& c : cases) {
        const auto r = RunTool(c.Args);
        EXPECT_EQ(r.exit, 2) << c.Message;
        EXPECT_EQ(r.out, "") << c.Message;
        EXPECT_NE(r.err.find("drumo-cli " + c.Message), std::string::npos) << r.err;
    }
}

}  // namespace drumo
