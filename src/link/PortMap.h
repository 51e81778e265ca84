#pragma once
// Port numbers and device nodes. The operator sees a port as "\\.\Com" plus its number; on
// Linux each number stands for a device node, found in this order:
//   1. the environment variable DRUMO_PORTS, e.g. "3=/dev/pts/5,7=/dev/ttyUSB0";
//   2. the ports configured in the settings file (its section [Ports], "Com3=/dev/ttyUSB0"),
//      handed in by whoever read that file;
//   3. the built-in table: 1..16 /dev/ttyS0..15, 17..48 /dev/ttyUSB0..31, 49..80 /dev/ttyACM0..31.
// Other numbers have no device.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace drumo {

class PortMap {
public:
    // The device nodes configured in the settings file, by port number.
    void SetConfigured(std::map<int, std::string> ports) { configured_ = std::move(ports); }

    // The device node of port n, or "" when the number has none.
    std::string DevicePath(int n) const;

    // The device node for a port name: "\\.\Com" plus a number (any letter case) maps through
    // DevicePath; a name that begins with "/" already is a device node.
    std::string ResolveName(std::string_view portName) const;

private:
    std::map<int, std::string> configured_;
};

// The displayed name of port n: "\\.\Com" followed by the number.
std::string PortNameOf(int n);

// The number in a name "\\.\Com<n>" (1..255), if the name is one.
std::optional<int> PortNumberOf(std::string_view portName);

// The entries of DRUMO_PORTS text ("3=/dev/pts/5,7=/dev/ttyUSB0"); malformed entries are skipped.
std::map<int, std::string> ParsePortList(std::string_view text);

}  // namespace drumo
