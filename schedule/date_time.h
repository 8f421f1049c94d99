#pragma once

#include <chrono>
#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

// A local wall-clock date-time with no time zone, as ListeSave.ini stores it.
// All arithmetic on it is wall-clock arithmetic: no daylight-saving adjustment.
// It keeps sub-second precision so that writing can round to the millisecond.
class DateTime {
public:
    using Duration = std::chrono::microseconds;
    using TimePoint = std::chrono::local_time<Duration>;

    // 30/12/1899 00:00:00, the day-zero date a bare time of day is read on.
    DateTime();
    explicit DateTime(TimePoint t) : t_(t) {}

    // Builds a date-time from its calendar parts; nullopt when the day does not
    // exist in its month or a part is out of range.
    static std::optional<DateTime> FromParts(int year, unsigned month, unsigned day, unsigned hour = 0,
                                             unsigned minute = 0, unsigned second = 0, unsigned millisecond = 0);

    TimePoint timePoint() const { return t_; }
    std::chrono::year_month_day date() const;
    std::chrono::hh_mm_ss<Duration> timeOfDay() const;

    DateTime operator+(Duration d) const { return DateTime(t_ + d); }
    friend auto operator<=>(const DateTime&, const DateTime&) = default;

private:
    TimePoint t_;
};

// DD/MM/YYYY HH:MM:SS, or DD/MM/YYYY alone when the time is exactly midnight.
// The value is rounded to the nearest millisecond, then the milliseconds are dropped.
std::string FormatDateTimeText(const DateTime& value);

// The date part alone, DD/MM/YYYY.
std::string FormatDateText(const DateTime& value);

// Reads both forms above, and a time of day alone ("0", "14", "14:05",
// "14:05:33") on 30/12/1899. nullopt for a day its month lacks, the empty
// text, and anything else.
std::optional<DateTime> ParseDateTimeText(std::string_view text);

} // namespace vantorel
