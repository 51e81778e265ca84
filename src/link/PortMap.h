#pragma once
// Port numbers and device nodes. The operator sees a port as "\\.\Com" plus its number; on
// Linux each number stands for a device node, found in this order:
//   1. the environment variable DRUMO_PORTS, e.g. "3=/dev/pts/5,7=/dev/ttyUSB0";
//   2. the section [Ports] of the settings file, e.g. "Com3=/dev/ttyUSB0";
//   3. the built-in table: 1..16 /dev/ttyS0..15, 17..48 /dev/ttyUSB0..31, 49..80 /dev/ttyACM0..31.
// Other numbers have no device.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace drumo {

class PortMap {
public:
    // The settings file whose [Ports] section is consulted; empty or missing means none.
    void SetSettingsFile(std::string path) { settingsFile_ = std::move(path); }
    const std::string& SettingsFile() const { return settingsFile_; }

    // The device node of port n, or "" when the number has none.
    std::string DevicePath(int n) const;

    // The device node for a port name: "\\.\Com" plus a number (any letter case) maps through
    // DevicePath; a name that begins with "/" already is a device node.
    std::string ResolveName(std::string_view portName) const;

private:
    std::string settingsFile_;
};

// The displayed name of port n: "\\.\Com" followed by the number.
std::string PortNameOf(int n);

// The number in a name "\\.\Com<n>" (1..255), if the name is one.
std::optional<int> PortNumberOf(std::string_view portName);

// The entries of DRUMO_PORTS text ("3=/dev/pts/5,7=/dev/ttyUSB0"); malformed entries are skipped.
std::map<int, std::string> ParsePortList(std::string_view text);

// The keys and values of one section of an INI file, keys in lower case. Missing file or
// section gives an empty map. Lines are "key=value"; ";" and "#" start comments.
std::map<std::string, std::string> ReadIniSection(const std::string& path, std::string_view section);

}  // namespace drumo
