// drumo-sim: simulated Hexar and Dorma devices on a pseudo-terminal, for running the program,
// drumo-cli or a benchmark without hardware. Prints the path of the port, optionally links it at a
// path of the operator's choice, takes commands on standard input (SimConsole.h: warm a sensor, set
// a fault) and serves until SIGINT or SIGTERM.

#include "base/Version.h"
#include "sim/Presets.h"
#include "sim/SimConsole.h"
#include "sim/SimClock.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

using namespace drumo::sim;

namespace {

void Usage() {
    std::cerr << "usage: drumo-sim PRESET | --config FILE [options]\n"
                 "       drumo-sim --version\n"
                 "presets: hexar100, hexar16, dorma-bus\n"
                 "options:\n"
                 "  --link PATH            make a symbolic link to the port at PATH\n"
                 "  --pacing               send every byte at the byte time of the baud rate\n"
                 "  --clock-speed N        device time runs N times faster\n"
                 "  --stream-period MS     a Hexar streams its readings every MS milliseconds\n"
                 "  --any-baud             understand requests at any speed\n"
                 "  --fault [ADDR=]NAME    make a device misbehave (silence, bad-crc, garbage, short,\n"
                 "                         exception[:code], wrong-address, fewer-registers[:n],\n"
                 "                         foreign-talker, stop-after:N, port-gone[:N], slow:ms;\n"
                 "                         a suffix *N limits it to N replies)\n"
                 "while running, standard input takes: warm SENSOR [RISE [SECONDS]] (Hexar),\n"
                 "  warm ADDRESS CABLE SENSOR [RISE [SECONDS]] (Dorma), fault [ADDR=]NAME, power-on, status\n";
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    LineConfig config;
    bool haveDevices = false;
    std::string linkPath;
    std::vector<std::string> faults;
    bool pacing = false, anyBaud = false;
    int clockSpeed = 0, streamPeriod = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << "drumo-sim: " << arg << " needs a value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        } else if (arg == "--version") {
            std::cout << "drumo-sim " << drumo::ProgramVersion() << '\n';
            return 0;
        } else if (arg == "--config") {
            const std::string path = value();
            std::string text, error;
            if (!ReadFile(path, text)) {
                std::cerr << "drumo-sim: cannot read " << path << "\n";
                return 2;
            }
            if (!ParseConfig(text, config, error)) {
                std::cerr << "drumo-sim: " << path << ": " << error << "\n";
                return 2;
            }
            haveDevices = true;
        } else if (arg == "--link") {
            linkPath = value();
        } else if (arg == "--pacing") {
            pacing = true;
        } else if (arg == "--any-baud") {
            anyBaud = true;
        } else if (arg == "--clock-speed") {
            clockSpeed = std::atoi(value().c_str());
        } else if (arg == "--stream-period") {
            streamPeriod = std::atoi(value().c_str());
        } else if (arg == "--fault") {
            faults.push_back(value());
        } else if (auto preset = PresetConfig(arg); preset && !haveDevices) {
            config = *preset;
            haveDevices = true;
        } else {
            std::cerr << "drumo-sim: unknown argument " << arg << "\n";
            Usage();
            return 2;
        }
    }
    if (!haveDevices) {
        Usage();
        return 2;
    }
    if (pacing) config.Pacing = true;
    if (anyBaud) config.AnyBaud = true;
    if (clockSpeed > 0) config.ClockSpeed = clockSpeed;
    if (streamPeriod >= 0) config.StreamPeriodMs = streamPeriod;
    for (const std::string& f : faults) {
        // "3=silence" for the station at address 3; a plain name for every device of the line.
        std::string name = f;
        int address = -1;
        if (const auto eq = f.find('='); eq != std::string::npos) {
            address = std::atoi(f.substr(0, eq).c_str());
            name = f.substr(eq + 1);
        }
        if (!ParseFault(name)) {
            std::cerr << "drumo-sim: unknown fault " << name << "\n";
            return 2;
        }
        for (auto& d : config.Devices) {
            if (address < 0 || d.Address == address) d.Fault = name;
        }
    }

    ScaledClock clock(config.ClockSpeed);
    std::string error;
    auto line = BuildLine(config, clock, error);
    if (!line) {
        std::cerr << "drumo-sim: " << error << "\n";
        return 2;
    }
    Bus& bus = *line->Line;
    if (!bus.Open()) {
        std::cerr << "drumo-sim: " << bus.Error() << "\n";
        return 1;
    }
    if (!linkPath.empty() && !bus.MakeLink(linkPath)) {
        std::cerr << "drumo-sim: " << bus.Error() << "\n";
        return 1;
    }

    // Signals are taken by sigwait in this thread only; the bus thread must not see them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    for (size_t i = 0; i < config.Devices.size(); ++i) {
        const auto& d = config.Devices[i];
        std::cerr << "drumo-sim: " << d.Model;
        if (!line->Command) std::cerr << " at address " << d.Address;
        if (!d.Fault.empty()) std::cerr << " (fault " << d.Fault << ")";
        bool shared = false;
        for (size_t j = 0; j < i; ++j) shared = shared || config.Devices[j].Address == d.Address;
        if (!line->Command && shared) std::cerr << " (shares the address: replies to it collide)";
        std::cerr << "\n";
    }
    std::cout << bus.SlavePath() << std::endl;
    if (!linkPath.empty()) std::cerr << "drumo-sim: linked at " << linkPath << "\n";
    bus.Start();

    // Serve until a stop signal; meanwhile take the operator's commands from standard input.
    const int signals = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    bool console = true;
    std::string pending;
    // A run in the background of an interactive shell must not touch the terminal: reading it
    // would stop the whole simulation. The console is used only while in the foreground.
    signal(SIGTTIN, SIG_IGN);
    for (;;) {
        const bool foreground = !isatty(0) || tcgetpgrp(0) == getpgrp();
        pollfd fds[2] = {{signals, POLLIN, 0}, {console && foreground ? 0 : -1, POLLIN, 0}};
        if (poll(fds, 2, console && !foreground ? 500 : -1) < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) break;
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char chunk[256];
            const ssize_t n = read(0, chunk, sizeof chunk);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EIO && errno != EAGAIN)) {
                console = false;  // no operator (input closed): just serve
                continue;
            }
            if (n < 0) continue;
            pending.append(chunk, static_cast<size_t>(n));
            for (size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
                const std::string command = pending.substr(0, eol);
                pending.erase(0, eol + 1);
                const std::string answer = bus.With([&] { return RunConsoleCommand(*line, command); });
                if (!answer.empty()) std::cerr << answer << "\n";
            }
        }
    }
    close(signals);
    bus.Close();
    std::cerr << "drumo-sim: stopped\n";
    return 0;
}
