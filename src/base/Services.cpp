#include "base/Services.h"

#include <chrono>
#include <ctime>
#include <iostream>
#include <thread>

namespace drumo {

double SystemClock::Now() const {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&secs, &local);
    // Days from 30.12.1899 to the local calendar date, by the civil-from-days inverse.
    const int y = local.tm_year + 1900 - (local.tm_mon < 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int m = local.tm_mon + 1;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + local.tm_mday - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long daysSinceUnix = static_cast<long>(era) * 146097 + doe - 719468;
    const double day = static_cast<double>(daysSinceUnix + 25569);
    const double secOfDay = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + ms / 1000.0;
    return day + secOfDay / 86400.0;
}

int64_t SystemClock::TickMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t SystemClock::TickUs() const {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::SleepMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

SystemClock& SystemClock::Instance() {
    static SystemClock clock;
    return clock;
}

std::ostream& ConsoleOperator::Out() const { return out_ ? *out_ : std::cerr; }

bool ConsoleOperator::Ask(const std::string& text) {
    Out() << "? " << text << (answer_ ? " -> yes\n" : " -> no\n");
    return answer_;
}
bool ConsoleOperator::AskDanger(const std::string& text) { return Ask(text); }
void ConsoleOperator::Error(const std::string& text) { Out() << "error: " << text << '\n'; }
void ConsoleOperator::Info(const std::string& text) { Out() << text << '\n'; }
void ConsoleOperator::Warning(const std::string& text) { Out() << "warning: " << text << '\n'; }

}  // namespace drumo
