#include "link/PortMap.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace drumo {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// A decimal number 1..255 without sign or other characters.
std::optional<int> PortNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 3) return std::nullopt;
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > 255) return std::nullopt;
    return n;
}

}  // namespace

std::string PortNameOf(int n) { return "\\\\.\\Com" + std::to_string(n); }

std::optional<int> PortNumberOf(std::string_view name) {
    constexpr std::string_view prefix = "\\\\.\\com";
    if (name.size() <= prefix.size() || Lower(name.substr(0, prefix.size())) != prefix)
        return std::nullopt;
    return PortNumber(name.substr(prefix.size()));
}

std::map<int, std::string> ParsePortList(std::string_view text) {
    std::map<int, std::string> ports;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view entry = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        const size_t eq = entry.find('=');
        if (eq == std::string_view::npos) continue;
        const auto n = PortNumber(Trim(entry.substr(0, eq)));
        const auto path = Trim(entry.substr(eq + 1));
        if (n && !path.empty()) ports[*n] = std::string(path);
    }
    return ports;
}

std::string PortMap::DevicePath(int n) const {
    if (n < 1 || n > 255) return {};
    if (const char* env = std::getenv("DRUMO_PORTS")) {
        const auto ports = ParsePortList(env);
        if (auto it = ports.find(n); it != ports.end()) return it->second;
    }
    if (auto it = configured_.find(n); it != configured_.end() && !it->second.empty()) return it->second;
    if (n <= 16) return "/dev/ttyS" + std::to_string(n - 1);
    if (n <= 48) return "/dev/ttyUSB" + std::to_string(n - 17);
    if (n <= 80) return "/dev/ttyACM" + std::to_string(n - 49);
    return {};
}

std::string PortMap::ResolveName(std::string_view portName) const {
    if (!portName.empty() && portName.front() == '/') return std::string(portName);
    if (const auto n = PortNumberOf(portName)) return DevicePath(*n);
    return {};
}

}  // namespace drumo
