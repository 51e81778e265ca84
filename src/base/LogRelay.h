#pragma once
// A log that keeps its lines until the log that shows them exists: the desktop program builds the
// station, which logs from its start, before the device manager window.

#include "base/Services.h"

#include <string>
#include <vector>

namespace drumo {

class LogRelay final : public EventLog {
public:
    void Log(const std::string& text) override {
        if (target_)
            target_->Log(text);
        else
            pending_.push_back(text);
    }
    void Attach(EventLog* target) {
        target_ = target;
        if (!target_) return;
        for (const auto& line : pending_) target_->Log(line);
        pending_.clear();
    }

private:
    EventLog* target_ = nullptr;
    std::vector<std::string> pending_;
};

}  // namespace drumo
