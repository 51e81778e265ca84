#pragma once
// An operator whose answers are scripted and whose messages are recorded with their kind, both as
// records and as "kind: text" lines.

#include "base/Services.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace drumo::test {

// The answer to a question when the scripted answers have run out.
enum class Unscripted { No, Yes };

class ScriptedOperator final : public Operator {
public:
    struct Message {
        std::string Kind;  // "ask", "error", "info", "warning"
        std::string Text;
        bool PresetNo = false;  // a question whose preset answer is No (its Yes destroys data)
    };

    explicit ScriptedOperator(Unscripted unscripted = Unscripted::No)
        : fallback(unscripted == Unscripted::Yes) {}

    // Answers for the coming questions, in order; when they run out the answer is `fallback`.
    void Answer(bool yes) { answers_.push_back(yes); }
    bool fallback;

    bool Ask(const std::string& text) override { return Question(text, false); }
    bool AskDanger(const std::string& text) override { return Question(text, true); }
    void Error(const std::string& text) override { Record("error", text); }
    void Info(const std::string& text) override { Record("info", text); }
    void Warning(const std::string& text) override { Record("warning", text); }

    // Called with each question or message as it is shown, to look at the windows behind it.
    std::function<void(const Message&)> OnShown;

    std::vector<Message> messages;
    const std::vector<std::string>& Shown() const { return shown_; }
    void Clear() {
        messages.clear();
        shown_.clear();
    }

private:
    bool Question(const std::string& text, bool presetNo) {
        Record("ask", text);
        messages.back().PresetNo = presetNo;
        if (answers_.empty()) return fallback;
        const bool a = answers_.front();
        answers_.pop_front();
        return a;
    }
    void Record(const char* kind, const std::string& text) {
        messages.push_back({kind, text});
        shown_.push_back(std::string(kind) + ": " + text);
        if (OnShown) OnShown(messages.back());
    }

    std::deque<bool> answers_;
    std::vector<std::string> shown_;
};

}  // namespace drumo::test
