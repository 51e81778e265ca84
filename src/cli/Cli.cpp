#include "cli/Cli.h"

#include "base/Version.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ostream>

namespace drumo::cli {

const char* const kExitStatusHelp =
    "exit status:\n"
    "  0  success\n"
    "  1  the device transaction failed (the message also goes to standard error), no device\n"
    "     was found, or an output file could not be written\n"
    "  2  wrong usage, or an output path refused (nothing was done)\n"
    "  3  an archive file is unsigned or of a format without a signature\n"
    "  4  an archive file has damaged records or could not be read to its end\n"
    "  5  an archive file is missing, unreadable, not an archive file, or holds no device\n"
    "  6  samples (poll) or rows (export) were lost, or a notebook read ended early; their count\n"
    "     goes to standard error\n"
    "  7  the device's notebook is empty; no file was written\n"
    "  8  the device took the data, but a step after it failed (firmware written and verified,\n"
    "     but not started)\n";

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
    out << "\nOutput is key=value lines (CSV for poll). An option's value follows it (--port 3) or\n"
           "its '=' (--port=3); an unknown option is an error; words after -- are never options.\n"
           "--options TEXT gives further options in one word, split as a shell splits words\n"
           "(quotes and backslashes; nothing is expanded), as a service's configuration holds them.\n"
           "drumo-cli --version prints the version.\n\n"
        << kExitStatusHelp;
}

}  // namespace

CliRegistration::CliRegistration(Subcommand subcommand) {
    subcommand.Flags.insert("help");
    Registry().push_back(std::move(subcommand));
}

const std::vector<Subcommand>& Subcommands() { return Registry(); }

namespace {

// Letters to change, insert or delete to turn a into b.
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// " (did you mean --samples?)" for a near miss, else "".
std::string NearestOption(const std::string& name, const std::set<std::string>& flags,
                          const std::set<std::string>& options) {
    std::string best;
    size_t bestDistance = 3;
    for (const auto* names : {&flags, &options})
        for (const auto& known : *names) {
            // The distance is at least the difference in length: a far longer or shorter name is
            // no near miss, and a word of thousands of letters costs nothing.
            const size_t apart = std::max(name.size(), known.size()) - std::min(name.size(), known.size());
            if (apart >= bestDistance) continue;
            if (const size_t d = EditDistance(name, known); d < bestDistance) {
                bestDistance = d;
                best = known;
            }
        }
    return best.empty() ? std::string() : " (did you mean --" + best + "?)";
}

}  // namespace

bool ParseArgs(const std::vector<std::string>& words, const std::set<std::string>& flags,
               const std::set<std::string>& options, CliArgs& parsed, std::string& error) {
    bool optionsEnded = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (!optionsEnded && w == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || w.size() < 3 || w.compare(0, 2, "--") != 0) {
            parsed.Positional.push_back(w);
            continue;
        }
        const size_t eq = w.find('=');
        const std::string name = w.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
        if (flags.count(name)) {
            if (eq != std::string::npos) {
                error = "option --" + name + " takes no value";
                return false;
            }
            parsed.Flags.insert(name);
        } else if (!options.count(name)) {
            error = "unknown option --" + name + NearestOption(name, flags, options);
            return false;
        } else if (eq != std::string::npos) {
            parsed.Options[name] = w.substr(eq + 1);
        } else if (i + 1 < words.size() && words[i + 1].compare(0, 2, "--") != 0) {
            parsed.Options[name] = words[++i];
        } else {
            // A following option is never taken as the value: "--out --samples 3" lacks the file.
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

bool SplitWords(const std::string& text, std::vector<std::string>& words, std::string& error) {
    std::string word;
    bool inWord = false;  // a quote makes a word even when it is empty
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else if (c == '\'') {
            const size_t close = text.find('\'', i + 1);
            if (close == std::string::npos) {
                error = "a single quote is not closed";
                return false;
            }
            word.append(text, i + 1, close - i - 1);
            i = close;
            inWord = true;
        } else if (c == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) ++i;
                word += text[i];
            }
            if (i >= text.size()) {
                error = "a double quote is not closed";
                return false;
            }
            inWord = true;
        } else if (c == '\\') {
            if (++i >= text.size()) {
                error = "the text ends in a backslash";
                return false;
            }
            word += text[i];
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return true;
}

namespace {

// Replaces "--options TEXT" and "--options=TEXT" before "--" with the words of TEXT.
bool ExpandOptionWords(const std::vector<std::string>& words, std::vector<std::string>& expanded,
                       std::string& error) {
    const std::string name = "--options";
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "--") {
            expanded.insert(expanded.end(), words.begin() + static_cast<std::ptrdiff_t>(i), words.end());
            break;
        }
        std::string text;
        if (w == name) {
            if (i + 1 >= words.size()) {
                error = "option --options needs a value";
                return false;
            }
            text = words[++i];
        } else if (w.compare(0, name.size() + 1, name + "=") == 0) {
            text = w.substr(name.size() + 1);
        } else {
            expanded.push_back(w);
            continue;
        }
        if (!SplitWords(text, expanded, error)) {
            error = "--options: " + error;
            return false;
        }
    }
    return true;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        PrintOverview(err);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintOverview(out);
        return kExitOk;
    }
    if (args[0] == "--version") {
        out << "drumo-cli " << ProgramVersion() << '\n';
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
    std::vector<std::string> words;
    if (!ExpandOptionWords({args.begin() + 1, args.end()}, words, error) ||
        !ParseArgs(words, it->Flags, it->Options, parsed, error)) {
        err << "drumo-cli " << it->Name << ": " << error << "\n(drumo-cli " << it->Name
            << " --help lists the options)\n";
        return kExitUsage;
    }
    if (parsed.Flags.count("help")) {
        out << it->Usage;
        return kExitOk;
    }
    return it->Run(parsed, out, err);
}

}  // namespace drumo::cli
