#pragma once
// drumo-cli: the command-line service tool. Each subcommand lives in its own file Cli<Name>.cpp
// and registers itself with a static CliRegistration, so adding one means adding one file:
//
//     namespace {
//     int RunScan(const CliArgs& args, std::ostream& out, std::ostream& err) { ... }
//     const CliRegistration reg({"scan", "search a port for devices", "scan [options] ...", RunScan});
//     }
//
// Output is "key=value" lines on standard output, easy to parse by a script. Exit status: 0 on
// success, 1 when a device transaction failed (the message also goes to standard error), 2 for
// wrong usage.

#include <iosfwd>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace drumo::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// The words after the subcommand: options "--name value" or "--name=value", flags "--name",
// and the remaining positional words in order.
struct CliArgs {
    std::map<std::string, std::string> Options;
    std::set<std::string> Flags;
    std::vector<std::string> Positional;

    bool Has(const std::string& name) const { return Options.count(name) || Flags.count(name); }
};

struct Subcommand {
    std::string Name;
    std::string Summary;  // one line for the overview
    std::string Usage;    // the full help of the subcommand
    int (*Run)(const CliArgs& args, std::ostream& out, std::ostream& err);
    std::set<std::string> Flags = {};  // options that take no value ("help" always is one)
};

class CliRegistration {
public:
    explicit CliRegistration(Subcommand subcommand);
};

const std::vector<Subcommand>& Subcommands();

// Runs the tool with argv[1..]; returns the exit status.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Splits words into options, flags and positional words. Returns false with a message when an
// option lacks its value.
bool ParseArgs(const std::vector<std::string>& words, const std::set<std::string>& flags, CliArgs& parsed,
               std::string& error);

// A whole number in decimal or with 0x in hexadecimal, within [lo, hi].
bool ParseNumber(const std::string& text, long lo, long hi, long& value);

// "01 A0 FF": bytes as two-digit upper-case hex separated by spaces.
std::string HexBytes(const unsigned char* data, size_t n);

}  // namespace drumo::cli
