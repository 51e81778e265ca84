#pragma once
// What drumo-cli settings, serial and firmware share besides the station (cli/LinkSession.h):
// messages to the operator on standard error, and the reading of NAME=VALUE words and --address.

#include "cli/LinkSession.h"

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace drumo::cli {

// Messages of the device procedures, written to err; questions are answered No.
class StreamOperator final : public Operator {
public:
    explicit StreamOperator(std::ostream& err) : err_(err) {}
    bool Ask(const std::string& text) override;
    bool AskDanger(const std::string& text) override { return Ask(text); }
    void Error(const std::string& text) override;
    void Info(const std::string& text) override { Error(text); }
    void Warning(const std::string& text) override { Error(text); }

private:
    std::ostream& err_;
};

// The NAME=VALUE words of a command line; false with a message for a word of another form or a
// name given twice.
bool ParseAssignments(const std::vector<std::string>& words, std::map<std::string, std::string>& values,
                      std::string& error);

// --address: 1..255, default 255 (the boot loader's, and the command protocol's).
bool ReadAddress(const CliArgs& args, uint8_t& address, std::ostream& err, const char* command);

}  // namespace drumo::cli
