#pragma once

#include "schedule/date_time.h"

namespace vantorel {

// The current local wall-clock time, as the system clock gives it.
DateTime LocalNow();

} // namespace vantorel
