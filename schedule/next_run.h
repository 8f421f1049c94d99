#pragma once

#include "schedule/date_time.h"

#include <optional>
#include <string_view>

namespace vantorel {

// The next run of a job from base time `base`, by its frequency code and its
// hour, weekday and day indexes, all as the decimal texts the job store holds.
// nullopt when no next run can be computed: a code that is not exactly one of
// "0" to "6", or an index the code needs that is not a number or lies outside
// its label table (the monthly rule falls back instead, as its attempts do).
std::optional<DateTime> ComputeNextRun(std::string_view code, const DateTime& base, std::string_view hourIndex,
                                       std::string_view weekdayIndex, std::string_view dayIndex);

// True when `now` is strictly later than the next run read from `nextRunText`;
// false when that text cannot be read.
bool IsDue(std::string_view nextRunText, const DateTime& now);

} // namespace vantorel
