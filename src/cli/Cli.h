#pragma once
// drumo-cli: the command-line service tool. Each subcommand lives in its own file Cli<Name>.cpp
// and registers itself with a static CliRegistration, so adding one means adding one file:
//
//     namespace {
//     int RunScan(const CliArgs& args, std::ostream& out, std::ostream& err) { ... }
//     const CliRegistration reg({"scan", "search a port for devices", "scan [options] ...", RunScan});
//     }
//
// Output is "key=value" lines on standard output, easy to parse by a script. Exit statuses are
// the same for every subcommand (kExit* below); each subcommand's --help lists those it uses.

#include <iosfwd>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace drumo::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;      // a device transaction failed, no device, a file not written
inline constexpr int kExitUsage = 2;       // wrong usage, or an output path refused; nothing done
inline constexpr int kExitUnsigned = 3;    // an archive file without a confirmed signature
inline constexpr int kExitDamaged = 4;     // an archive file with damaged records or not read to its end
inline constexpr int kExitUnreadable = 5;  // an archive file missing, unreadable, of another type or empty
inline constexpr int kExitLost = 6;        // samples (poll), rows (export) or notebook records lost on the way
inline constexpr int kExitEmpty = 7;       // nothing to write: the device's notebook is empty
inline constexpr int kExitUnfinished = 8;  // the device took the data, but a step after it failed

// The exit statuses as the overview and the README list them.
extern const char* const kExitStatusHelp;

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
    std::set<std::string> Flags = {};    // options that take no value ("help" always is one)
    std::set<std::string> Options = {};  // options that take a value; any other option is an error
};

class CliRegistration {
public:
    explicit CliRegistration(Subcommand subcommand);
};

const std::vector<Subcommand>& Subcommands();

// Runs the tool with argv[1..]; returns the exit status.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Splits words into options, flags and positional words; every word after "--" is positional.
// Returns false with a message for an option that is neither a flag nor one of `options`, for an
// option without its value, and for a flag given a value.
bool ParseArgs(const std::vector<std::string>& words, const std::set<std::string>& flags,
               const std::set<std::string>& options, CliArgs& parsed, std::string& error);

// Splits a text into words as a POSIX shell does, expanding nothing: blanks separate words,
// single quotes keep everything between them, double quotes everything but \" and \\, and a
// backslash outside quotes keeps the next character. Returns false with a message for a quote
// that is not closed and for a text that ends in a lone backslash.
bool SplitWords(const std::string& text, std::vector<std::string>& words, std::string& error);

// A whole number in decimal or with 0x in hexadecimal, within [lo, hi].
bool ParseNumber(const std::string& text, long lo, long hi, long& value);

// "01 A0 FF": bytes as two-digit upper-case hex separated by spaces.
std::string HexBytes(const unsigned char* data, size_t n);

}  // namespace drumo::cli
