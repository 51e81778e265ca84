#pragma once
// An operator whose answers are scripted and who remembers every message, as "kind: text".

#include <deque>
#include <string>
#include <vector>

#include "link/Platform.h"

namespace drumo::test {

class ScriptedOperator final : public Operator {
public:
    // Answers for the next questions, in order; without one a question is answered Yes.
    void Answer(bool yes) { answers_.push_back(yes); }

    bool Ask(const std::string& text) override {
        shown_.push_back("ask: " + text);
        if (answers_.empty()) return true;
        const bool yes = answers_.front();
        answers_.pop_front();
        return yes;
    }
    void Error(const std::string& text) override { shown_.push_back("error: " + text); }
    void Info(const std::string& text) override { shown_.push_back("info: " + text); }
    void Warning(const std::string& text) override { shown_.push_back("warning: " + text); }

    const std::vector<std::string>& Shown() const { return shown_; }
    void Clear() { shown_.clear(); }

private:
    std::deque<bool> answers_;
    std::vector<std::string> shown_;
};

}  // namespace drumo::test
