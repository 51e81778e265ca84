#pragma once
// The 14 intervals offered for the polling interval, the auto-save interval and the system
// trend's step, from "20 секунд" to "24 часа".

#include <string_view>

namespace drumo {

inline constexpr int IntervalCount = 14;

bool IsIntervalIndex(int index);
// Caption shown in the choice lists; an index outside 0..13 is taken as the nearest valid one.
std::string_view IntervalCaption(int index);
int IntervalSeconds(int index);
// The interval as a timer period in milliseconds.
int IntervalMs(int index);

}  // namespace drumo
