#include "cli/Cli.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ostream>

namespace drumo::cli {

namespace {

std::vector<Subcommand>& Registry() {
    static std::vector<Subcommand> all;
    return all;
}

void PrintOverview(std::ostream& out) {
    out << "drumo-cli: service tool for Drumo devices on a serial port\n\n"
           "usage: drumo-cli SUBCOMMAND [options] [arguments]\n"
           "       drumo-cli SUBCOMMAND --help\n\n"
           "subcommands:\n";
    auto sorted = Registry();
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.Name < b.Name; });
    for (const auto& s : sorted) {
        out << "  " << s.Name;
        for (size_t i = s.Name.size(); i < 10; ++i) out << ' ';
        out << s.Summary << '\n';
    }
    out << "\nOutput is key=value lines. Exit status 0 on success, 1 when the device transaction\n"
           "failed (the message also goes to standard error), 2 for wrong usage.\n";
}

}  // namespace

CliRegistration::CliRegistration(Subcommand subcommand) {
    subcommand.Flags.insert("help");
    Registry().push_back(std::move(subcommand));
}

const std::vector<Subcommand>& Subcommands() { return Registry(); }

bool ParseArgs(const std::vector<std::string>& words, const std::set<std::string>& flags, CliArgs& parsed,
               std::string& error) {
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w.size() < 3 || w.compare(0, 2, "--") != 0) {
            parsed.Positional.push_back(w);
            continue;
        }
        const size_t eq = w.find('=');
        const std::string name = w.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
        if (eq != std::string::npos) {
            parsed.Options[name] = w.substr(eq + 1);
        } else if (flags.count(name)) {
            parsed.Flags.insert(name);
        } else if (i + 1 < words.size()) {
            parsed.Options[name] = words[++i];
        } else {
            error = "option --" + name + " needs a value";
            return false;
        }
    }
    return true;
}

bool ParseNumber(const std::string& text, long lo, long hi, long& value) {
    if (text.empty()) return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* begin = text.c_str() + (hex ? 2 : 0);
    if (*begin == '\0' || *begin == '-' || *begin == '+' || *begin == ' ') return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(begin, &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
    value = v;
    return true;
}

std::string HexBytes(const unsigned char* data, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(n * 3);
    for (size_t i = 0; i < n; ++i) {
        if (i) s += ' ';
        s += digits[data[i] >> 4];
        s += digits[data[i] & 0x0F];
    }
    return s;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        PrintOverview(err);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintOverview(out);
        return kExitOk;
    }
    const auto& all = Registry();
    const auto it = std::find_if(all.begin(), all.end(), [&](const auto& s) { return s.Name == args[0]; });
    if (it == all.end()) {
        err << "drumo-cli: unknown subcommand '" << args[0] << "'\n\n";
        PrintOverview(err);
        return kExitUsage;
    }
    CliArgs parsed;
    std::string error;
    if (!ParseArgs({args.begin() + 1, args.end()}, it->Flags, parsed, error)) {
        err << "drumo-cli " << it->Name << ": " << error << "\n\n" << it->Usage;
        return kExitUsage;
    }
    if (parsed.Flags.count("help")) {
        out << it->Usage;
        return kExitOk;
    }
    return it->Run(parsed, out, err);
}

}  // namespace drumo::cli
