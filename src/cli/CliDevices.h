#pragma once
// What drumo-cli settings, serial and firmware share: a device link over the port the options
// name as the device procedures use it, and messages to the operator on standard error.

#include "acquisition/LinkBus.h"
#include "cli/LinkSession.h"
#include "link/ComBuf.h"

#include <map>
#include <memory>
#include <ostream>
#include <string>

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

// The link of a session as the device procedures take it.
class DeviceSession {
public:
    static std::unique_ptr<DeviceSession> FromArgs(const CliArgs& args, bool modbus, std::ostream& err);
    DeviceBus& Bus() { return bus_; }
    DeviceLink& Link() { return session_->Link(); }
    bool Open(std::ostream& err) { return session_->Open(err); }

private:
    explicit DeviceSession(std::unique_ptr<LinkSession> session)
        : session_(std::move(session)), bus_(session_->Link(), decoder_) {}
    std::unique_ptr<LinkSession> session_;
    TComBuf decoder_;
    LinkBus bus_;
};

// The NAME=VALUE words of a command line; false with a message for a word of another form or a
// name given twice.
bool ParseAssignments(const std::vector<std::string>& words, std::map<std::string, std::string>& values,
                      std::string& error);

// --address: 1..255, default 255 (the boot loader's, and the command protocol's).
bool ReadAddress(const CliArgs& args, uint8_t& address, std::ostream& err, const char* command);

}  // namespace drumo::cli
