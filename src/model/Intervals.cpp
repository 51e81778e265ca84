#include "model/Intervals.h"

#include <algorithm>

namespace drumo {
namespace {

struct Interval {
    std::string_view Caption;
    int Seconds;
};

constexpr Interval kIntervals[IntervalCount] = {
    {"20 секунд", 20},    {"30 секунд", 30},   {"1 минута", 60},     {"2 минуты", 120},
    {"5 минут", 300},     {"10 минут", 600},   {"20 минут", 1200},   {"30 минут", 1800},
    {"1 час", 3600},      {"2 часа", 7200},    {"3 часа", 10800},    {"6 часов", 21600},
    {"12 часов", 43200},  {"24 часа", 86400},
};

const Interval& At(int index) { return kIntervals[std::clamp(index, 0, IntervalCount - 1)]; }

}  // namespace

bool IsIntervalIndex(int index) { return index >= 0 && index < IntervalCount; }
std::string_view IntervalCaption(int index) { return At(index).Caption; }
int IntervalSeconds(int index) { return At(index).Seconds; }
int IntervalMs(int index) { return At(index).Seconds * 1000; }

}  // namespace drumo
