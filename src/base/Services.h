#pragma once
// The few services of the desktop that the engine needs: questions and messages to the operator,
// the operations log, letting pending window events run, and time. The desktop program implements
// them with Qt; tests and the command-line tool use scripted or plain versions.

#include <cstdint>
#include <iosfwd>
#include <string>

namespace drumo {

// Modal message boxes. Texts are UTF-8; "\r\n" inside a text is a line break.
class Operator {
public:
    virtual ~Operator() = default;
    // A question with Yes and No; true for Yes. Yes is the preset answer that Enter gives.
    virtual bool Ask(const std::string& text) = 0;
    // A question whose Yes destroys data (deletes results, empties the store, replaces or erases a
    // file): No is the preset answer, so that a stray Enter loses nothing.
    virtual bool AskDanger(const std::string& text) = 0;
    virtual void Error(const std::string& text) = 0;
    virtual void Info(const std::string& text) = 0;
    virtual void Warning(const std::string& text) = 0;
};

// The operations log of the device manager. The text normally begins with " > ".
class EventLog {
public:
    virtual ~EventLog() = default;
    virtual void Log(const std::string& text) = 0;
};

// Lets pending window events run between two device transactions of a long operation.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void ProcessEvents() = 0;
};

// Time. Now() is a DateTime: days since 30.12.1899 00:00 local time, the time of day as the
// fraction. TickMs() is a monotonic millisecond counter; SleepMs() waits.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double Now() const = 0;
    virtual int64_t TickMs() const = 0;
    virtual void SleepMs(int ms) = 0;
    // The same counter in microseconds, so that time-outs end as soon as their time has passed
    // rather than at the next whole millisecond. Clocks that only count milliseconds keep this.
    virtual int64_t TickUs() const { return TickMs() * 1000; }
};

// The real clock of the machine.
class SystemClock final : public Clock {
public:
    double Now() const override;
    int64_t TickMs() const override;
    void SleepMs(int ms) override;
    int64_t TickUs() const override;
    static SystemClock& Instance();
};

// Stand-ins for the command-line tool: questions answered with a fixed answer, messages and log
// lines written to standard error, no window events.
class ConsoleOperator final : public Operator {
public:
    // Questions get the fixed answer; everything is written to `out` (standard error when none).
    explicit ConsoleOperator(bool answer = true, std::ostream* out = nullptr) : answer_(answer), out_(out) {}
    bool Ask(const std::string& text) override;
    bool AskDanger(const std::string& text) override;  // the same fixed answer
    void Error(const std::string& text) override;
    void Info(const std::string& text) override;
    void Warning(const std::string& text) override;

private:
    std::ostream& Out() const;
    bool answer_;
    std::ostream* out_;
};

class NullLog final : public EventLog {
public:
    void Log(const std::string&) override {}
};

class NoEvents final : public EventPump {
public:
    void ProcessEvents() override {}
};

}  // namespace drumo
