#include "sim/SimConsole.h"

#include <cstdlib>
#include <sstream>
#include <vector>

namespace drumo::sim {
namespace {

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

bool Number(const std::string& text, double& out) {
    std::istringstream in(text);
    return (in >> out) && in.eof();
}

Dorma* Station(SimLine& line, int address) {
    for (Dorma* d : line.Dormas) {
        if (d->Address() == address) return d;
    }
    return nullptr;
}

std::string Warm(SimLine& line, const std::vector<std::string>& w) {
    std::vector<double> n;
    for (size_t i = 1; i < w.size(); ++i) {
        double v = 0;
        if (!Number(w[i], v)) return "not a number: " + w[i];
        n.push_back(v);
    }
    const size_t fixed = line.Command ? 1 : 3;
    if (n.size() < fixed || n.size() > fixed + 2) {
        return line.Command ? "usage: warm SENSOR [RISE [SECONDS]]" : "usage: warm ADDRESS CABLE SENSOR [RISE [SECONDS]]";
    }
    const double rise = n.size() > fixed ? n[fixed] : 10.0;
    const double seconds = n.size() > fixed + 1 ? n[fixed + 1] : 60.0;
    if (line.Command) {
        Hexar& h = line.Command->Device();
        const int sensor = static_cast<int>(n[0]);
        if (sensor < 1 || sensor > static_cast<int>(h.Measured().size())) return "no sensor " + w[1];
        h.Warm(sensor, rise, seconds);
        return "warming sensor " + w[1];
    }
    Dorma* d = Station(line, static_cast<int>(n[0]));
    if (!d) return "no station at address " + w[1];
    const int cable = static_cast<int>(n[1]) - 1;
    const int sensor = static_cast<int>(n[2]) - 1;
    if (cable < 0 || cable >= static_cast<int>(d->Cables().size()) || sensor < 0 ||
        sensor >= d->Cables()[cable].Sensors()) {
        return "no such cable or sensor";
    }
    d->Warm(cable, sensor, rise, seconds);
    return "warming address " + w[1] + " cable " + w[2] + " sensor " + w[3];
}

std::string SetFault(SimLine& line, const std::vector<std::string>& w) {
    if (w.size() != 2) return "usage: fault [ADDRESS=]NAME";
    std::string name = w[1];
    int address = -1;
    if (const auto eq = name.find('='); eq != std::string::npos) {
        address = std::atoi(name.substr(0, eq).c_str());
        name = name.substr(eq + 1);
    }
    const auto fault = ParseFault(name);
    if (!fault) return "unknown fault " + name;
    if (line.Command) {
        line.Command->Faults().Set(*fault);
        return "fault " + name;
    }
    int set = 0;
    for (Dorma* d : line.Dormas) {
        if (address < 0 || d->Address() == address) {
            d->Faults().Set(*fault);
            ++set;
        }
    }
    return set ? "fault " + name + " on " + std::to_string(set) + " station(s)" : "no station at that address";
}

std::string Status(SimLine& line) {
    std::ostringstream out;
    if (line.Command) {
        Hexar& h = line.Command->Device();
        out << (h.Type() == Hexar16Type ? "Hexar-1/16" : "Hexar-1/100") << (h.PoweredOn ? " on" : " off")
            << ", " << h.Measured().size() << " sensors, " << line.Command->Requests() << " requests, fault "
            << FaultName(line.Command->Faults().Current().Kind);
        return out.str();
    }
    for (Dorma* d : line.Dormas) {
        out << "address " << int{d->Address()} << ": type " << d->Identity().Type << ", " << d->Cables().size()
            << " cables, " << d->Requests() << " requests" << (d->Boot().Active() ? ", boot mode" : "")
            << ", fault " << FaultName(d->Faults().Current().Kind) << "\n";
    }
    std::string text = out.str();
    if (!text.empty()) text.pop_back();
    return text;
}

}  // namespace

std::string RunConsoleCommand(SimLine& line, const std::string& command) {
    const auto w = Words(command);
    if (w.empty()) return "";
    if (w[0] == "warm") return Warm(line, w);
    if (w[0] == "fault") return SetFault(line, w);
    if (w[0] == "status") return Status(line);
    if (w[0] == "power-on") {
        if (!line.Command) return "only a Hexar can be switched off";
        line.Command->Device().PoweredOn = true;
        return "switched on";
    }
    return "commands: warm, fault, power-on, status";
}

}  // namespace drumo::sim
