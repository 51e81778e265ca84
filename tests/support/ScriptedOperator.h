#pragma once
// An operator whose answers are scripted and whose messages are recorded with their kind.

#include "link/Platform.h"

#include <deque>
#include <string>
#include <vector>

namespace drumo::test {

class ScriptedOperator final : public Operator {
public:
    struct Message {
        std::string Kind;  // "ask", "error", "info", "warning"
        std::string Text;
    };

    // Answers for the coming questions, in order; when they run out the answer is `fallback`.
    void Answer(bool yes) { answers_.push_back(yes); }
    bool fallback = false;

    bool Ask(const std::string& text) override {
        messages.push_back({"ask", text});
        if (answers_.empty()) return fallback;
        const bool a = answers_.front();
        answers_.pop_front();
        return a;
    }
    void Error(const std::string& text) override { messages.push_back({"error", text}); }
    void Info(const std::string& text) override { messages.push_back({"info", text}); }
    void Warning(const std::string& text) override { messages.push_back({"warning", text}); }

    std::vector<Message> messages;

private:
    std::deque<bool> answers_;
};

}  // namespace drumo::test
