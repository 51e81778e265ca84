// drumo-sim as the operator runs it: the port path on standard output, the link, a device that
// the program's link layer can talk to, faults from the command line, and a clean stop on SIGTERM.
#include "link/DeviceLink.h"
#include "link/PosixSerialPort.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace drumo {
namespace {

class SimToolProcess {
public:
    explicit SimToolProcess(std::vector<std::string> args) {
        args.insert(args.begin(), DRUMO_SIM_PATH);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        out_ = out[0];
    }
    ~SimToolProcess() {
        if (pid_ > 0) Stop();
        if (out_ >= 0) close(out_);
    }
    // The first line of standard output, or "" when none comes within the time-out.
    std::string FirstLine(int timeoutMs = 3000) {
        std::string line;
        char c = 0;
        while (true) {
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, timeoutMs) <= 0 || read(out_, &c, 1) != 1 || c == '\n') break;
            line += c;
        }
        return line;
    }
    // Sends SIGTERM (or nothing when the tool has ended already) and returns the exit status.
    int Stop(int signal = SIGTERM) {
        if (signal) kill(pid_, signal);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

TEST(SimTool, ServesAPresetThroughItsLinkUntilStopped) {
    const std::string linkPath = testing::TempDir() + "drumo-sim-tool-link";
    SimToolProcess tool({"hexar16", "--link", linkPath});
    const std::string pty = tool.FirstLine();
    ASSERT_EQ(pty.rfind("/dev/pts/", 0), 0u) << pty;
    char target[256] = {};
    ASSERT_GT(readlink(linkPath.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(pty, target);

    PosixSerialPort port;
    TSerialChannel channel(port, SystemClock::Instance());
    DeviceLink link(channel, SystemClock::Instance());
    channel.SetPortName(linkPath);
    ASSERT_TRUE(channel.Connect());
    uint16_t length = 0;
    ASSERT_TRUE(link.DeviceCommand(1, link.CommandBuffer.data(), length)) << link.LinkStatus;
    EXPECT_EQ(link.CommandBuffer[0], 100);
    channel.Disconnect();

    EXPECT_EQ(tool.Stop(SIGTERM), 0);
    struct stat st {};
    EXPECT_NE(lstat(linkPath.c_str(), &st), 0) << "the link is removed";
}

TEST(SimTool, ConfigurationFileAndFaultsFromTheCommandLine) {
    const std::string config = testing::TempDir() + "drumo-sim-tool.ini";
    std::ofstream(config) << "[device]\nmodel = Dorma-1/100\naddress = 4\n[device]\nmodel = Dorma-4/200\naddress = 9\n";
    SimToolProcess tool({"--config", config, "--fault", "9=exception:2"});
    const std::string pty = tool.FirstLine();
    ASSERT_FALSE(pty.empty());
    PosixSerialPort port;
    TSerialChannel channel(port, SystemClock::Instance());
    DeviceLink link(channel, SystemClock::Instance());
    channel.SetPortName(pty);
    channel.SetStopBits(2);
    ASSERT_TRUE(channel.Connect());
    link.TransferCount = 1;
    ASSERT_TRUE(link.ModbusRequest(4, 3, 0, link.TransferCount, link.RegisterBuffer.data())) << link.LinkStatus;
    EXPECT_EQ(link.RegisterBuffer[0], 103);
    link.TransferCount = 1;
    EXPECT_FALSE(link.ModbusRequest(9, 3, 0, link.TransferCount, link.RegisterBuffer.data()));
    EXPECT_EQ(link.LinkStatus, 56);
    channel.Disconnect();
    EXPECT_EQ(tool.Stop(SIGINT), 0);
}

TEST(SimTool, WrongUsageEndsWithStatus2) {
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"hexar99"}, {"hexar16", "--fault", "loud"},
                                                                 {"--config", "/nonexistent/drumo.ini"}}) {
        SimToolProcess tool(args);
        EXPECT_EQ(tool.FirstLine(), "");
        EXPECT_EQ(tool.Stop(0), 2);
    }
}

}  // namespace
}  // namespace drumo
