// libFuzzer target: drumo-cli's argument parsing. The input is words separated by NUL bytes,
// parsed against every subcommand's own options. A parse that succeeds holds only known options
// and flags, and every word lands somewhere; numbers parsed from the words lie in their range.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/Cli.h"

using namespace drumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> words(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.emplace_back();
            if (words.size() > 64) break;
        } else {
            words.back() += static_cast<char>(data[i]);
        }
    }
    for (const cli::Subcommand& sub : cli::Subcommands()) {
        std::set<std::string> flags = sub.Flags;
        flags.insert("help");
        cli::CliArgs parsed;
        std::string error;
        if (cli::ParseArgs(words, flags, sub.Options, parsed, error)) {
            for (const auto& [name, value] : parsed.Options)
                if (!sub.Options.count(name)) std::abort();
            for (const auto& name : parsed.Flags)
                if (!flags.count(name)) std::abort();
            if (parsed.Positional.size() + parsed.Options.size() + parsed.Flags.size() > words.size()) std::abort();
        } else if (error.empty()) {
            std::abort();
        }
    }
    for (const std::string& word : words) {
        long value = 0;
        if (cli::ParseNumber(word, -300, 70000, value) && (value < -300 || value > 70000)) std::abort();
    }
    return 0;
}
