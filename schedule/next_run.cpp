#include "schedule/next_run.h"

#include <algorithm>
#include <cstdint>

namespace vantorel {

namespace {

using namespace std::chrono;

DateTime At(local_days day, hours hour) {
    return DateTime(DateTime::TimePoint{day + hour});
}

local_days DayOf(const DateTime& value) {
    return floor<days>(value.timePoint());
}

// Weekly: the first day 1 to 7 days after the base's date that falls on the
// chosen weekday. The count stops after 7 days, so an index outside the week
// fails instead of counting for ever.
std::optional<DateTime> NextWeekly(const DateTime& base, const Schedule& schedule) {
    const std::optional<hours> hour = schedule.hourOfDay();
    const std::optional<int> index = schedule.weekdayNumber();
    if (!hour || !index) {
        return std::nullopt;
    }
    for (int k = 1; k <= 7; ++k) {
        const local_days day = DayOf(base) + days{k};
        // iso_encoding: 1 = Monday ... 7 = Sunday; the chosen weekday is index + 1.
        if (static_cast<std::int64_t>(weekday{day}.iso_encoding()) == static_cast<std::int64_t>(*index) + 1) {
            return At(day, *hour);
        }
    }
    return std::nullopt;
}

// Monthly: the chosen day in the month after the base's month, or the day 1,
// 2 or 3 before it when that month is too short; the base plus one calendar
// month when none of these can be built (an unusable day or hour index).
DateTime NextMonthly(const DateTime& base, const Schedule& schedule) {
    const year_month_day baseDate = base.date();
    const year_month nextMonth = year_month{baseDate.year(), baseDate.month()} + months{1};
    const day lastDay = year_month_day_last{nextMonth.year(), month_day_last{nextMonth.month()}}.day();
    const local_days clampedDay{nextMonth / std::min(baseDate.day(), lastDay)};
    const DateTime oneMonthLater(clampedDay + (base.timePoint() - DayOf(base)));

    const std::optional<hours> hour = schedule.hourOfDay();
    const std::optional<unsigned> chosenDay = schedule.dayOfMonth();
    if (hour && chosenDay) {
        for (unsigned back = 0; back <= 3; ++back) {
            const year_month_day attempt{nextMonth.year(), nextMonth.month(), day{*chosenDay - back}};
            if (*chosenDay > back && attempt.ok()) {
                return At(local_days{attempt}, *hour);
            }
        }
    }
    return oneMonthLater;
}

} // namespace

std::optional<DateTime> ComputeNextRun(const Schedule& schedule, const DateTime& base) {
    const std::optional<Frequency> frequency = schedule.frequency();
    if (!frequency) {
        return std::nullopt;
    }
    switch (frequency->kind) {
    case FrequencyKind::HourlySteps:
        return base + hours{frequency->stepHours};
    case FrequencyKind::Daily: {
        const std::optional<hours> hour = schedule.hourOfDay();
        if (!hour) {
            return std::nullopt;
        }
        return At(DayOf(base) + days{1}, *hour);
    }
    case FrequencyKind::Weekly:
        return NextWeekly(base, schedule);
    case FrequencyKind::Monthly:
        return NextMonthly(base, schedule);
    }
    return std::nullopt;
}

bool IsDue(std::string_view nextRunText, const DateTime& now) {
    const std::optional<DateTime> nextRun = ParseDateTimeText(nextRunText);
    return nextRun && now > *nextRun;
}

} // namespace vantorel
