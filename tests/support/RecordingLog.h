#pragma once
// An operations log that keeps its lines, for tests that check what was logged.

#include "base/Services.h"

#include <algorithm>
#include <string>
#include <vector>

namespace drumo::test {

class RecordingLog final : public EventLog {
public:
    std::vector<std::string> Lines;
    void Log(const std::string& text) override { Lines.push_back(text); }
    int CountOf(const std::string& text) const {
        return static_cast<int>(std::count(Lines.begin(), Lines.end(), text));
    }
    bool Has(const std::string& text) const { return CountOf(text) > 0; }
};

}  // namespace drumo::test
