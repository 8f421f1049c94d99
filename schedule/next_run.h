#pragma once

#include "schedule/date_time.h"
#include "schedule/schedule.h"

#include <optional>
#include <string_view>

namespace vantorel {

// The next run of a job with this schedule from base time `base`. nullopt
// when no next run can be computed: a code that is not exactly one of the
// frequency codes, or an index the frequency needs that is not a number or
// lies outside its list (the monthly rule falls back instead, as its attempts
// do).
std::optional<DateTime> ComputeNextRun(const Schedule& schedule, const DateTime& base);

// True when `now` is strictly later than the next run read from `nextRunText`;
// false when that text cannot be read.
bool IsDue(std::string_view nextRunText, const DateTime& now);

} // namespace vantorel
