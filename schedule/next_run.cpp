#include "schedule/next_run.h"

#include "platform/decimal_text.h"
#include "schedule/frequency.h"

#include <array>

namespace vantorel {

namespace {

using namespace std::chrono;

// The table position an index text names, nullopt when it is not a number or
// lies outside a table of `size` labels.
std::optional<unsigned> IndexIn(std::string_view text, std::size_t size) {
    const std::optional<std::int32_t> index = ParseDecimal(text);
    if (!index || *index < 0 || static_cast<std::size_t>(*index) >= size) {
        return std::nullopt;
    }
    return static_cast<unsigned>(*index);
}

// The hour of the day an hour index names: index i is (i + 1):00:00.
std::optional<hours> HourOf(std::string_view hourIndex) {
    const std::optional<unsigned> index = IndexIn(hourIndex, kHourLabels.size());
    if (!index) {
        return std::nullopt;
    }
    return hours{*index + 1};
}

DateTime At(local_days day, hours hour) {
    return DateTime(DateTime::TimePoint{day + hour});
}

local_days DayOf(const DateTime& value) {
    return floor<days>(value.timePoint());
}

// Code 5: the first day 1 to 7 days after the base's date that falls on the
// chosen weekday. The count stops after 7 days, so an index outside the week
// fails instead of counting for ever.
std::optional<DateTime> NextWeekly(const DateTime& base, std::string_view hourIndex, std::string_view weekdayIndex) {
    const std::optional<hours> hour = HourOf(hourIndex);
    const std::optional<std::int32_t> index = ParseDecimal(weekdayIndex);
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

// Code 6: the chosen day in the month after the base's month, or the day 1, 2
// or 3 before it when that month is too short; the base plus one calendar
// month when none of these can be built (an unusable day or hour index).
DateTime NextMonthly(const DateTime& base, std::string_view hourIndex, std::string_view dayIndex) {
    const year_month_day baseDate = base.date();
    const year_month nextMonth = year_month{baseDate.year(), baseDate.month()} + months{1};
    const day lastDay = year_month_day_last{nextMonth.year(), month_day_last{nextMonth.month()}}.day();
    const local_days clampedDay{nextMonth / std::min(baseDate.day(), lastDay)};
    const DateTime oneMonthLater(clampedDay + (base.timePoint() - DayOf(base)));

    const std::optional<hours> hour = HourOf(hourIndex);
    const std::optional<unsigned> index = IndexIn(dayIndex, kDayLabels.size());
    if (hour && index) {
        for (unsigned back = 0; back <= 3; ++back) {
            const year_month_day attempt{nextMonth.year(), nextMonth.month(), day{*index + 1 - back}};
            if (*index + 1 > back && attempt.ok()) {
                return At(local_days{attempt}, *hour);
            }
        }
    }
    return oneMonthLater;
}

} // namespace

std::optional<DateTime> ComputeNextRun(std::string_view code, const DateTime& base, std::string_view hourIndex,
                                       std::string_view weekdayIndex, std::string_view dayIndex) {
    // Codes are compared as text: "04" or " 4" match no rule.
    static constexpr std::array<std::string_view, 4> kHourlyCodes = {"0", "1", "2", "3"};
    static constexpr std::array<int, 4> kStepHours = {1, 4, 8, 12};
    for (std::size_t i = 0; i < kHourlyCodes.size(); ++i) {
        if (code == kHourlyCodes[i]) {
            return base + hours{kStepHours[i]};
        }
    }
    if (code == "4") {
        const std::optional<hours> hour = HourOf(hourIndex);
        if (!hour) {
            return std::nullopt;
        }
        return At(DayOf(base) + days{1}, *hour);
    }
    if (code == "5") {
        return NextWeekly(base, hourIndex, weekdayIndex);
    }
    if (code == "6") {
        return NextMonthly(base, hourIndex, dayIndex);
    }
    return std::nullopt;
}

bool IsDue(std::string_view nextRunText, const DateTime& now) {
    const std::optional<DateTime> nextRun = ParseDateTimeText(nextRunText);
    return nextRun && now > *nextRun;
}

} // namespace vantorel
