#include "schedule/next_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

namespace vantorel {
namespace {

using namespace std::chrono;

DateTime Read(const char* text) {
    const std::optional<DateTime> value = ParseDateTimeText(text);
    EXPECT_TRUE(value.has_value()) << text;
    return value.value_or(DateTime{});
}

TEST(NextRun, FollowsTheFrequencyRule) {
    const struct {
        const char* code;
        const char* base;
        const char* hour;
        const char* weekday;
        const char* day;
        const char* expected; // nullptr: no next run
    } rows[] = {
        // Every 1, 4, 8 and 12 hours.
        {"0", "31/12/2026 23:30:15", "0", "0", "0", "01/01/2027 00:30:15"},
        {"1", "07/12/2026 22:10:07", "0", "0", "0", "08/12/2026 02:10:07"},
        {"2", "07/12/2026 20:00:00", "99", "x", "-4", "08/12/2026 04:00:00"}, // unused
        {"3", "07/12/2026 12:00:00", "0", "0", "0", "08/12/2026"},
        // Wall clock only: 02:30 does not exist in Paris that night, 02:30 comes twice later.
        {"0", "29/03/2026 01:30:00", "0", "0", "0", "29/03/2026 02:30:00"},
        {"1", "25/10/2026 00:30:00", "0", "0", "0", "25/10/2026 04:30:00"},
        // Daily, at the chosen hour.
        {"4", "07/12/2026 00:30:00", "0", "0", "0", "08/12/2026 01:00:00"},
        {"4", "31/12/2026 23:59:59", "22", "9", "99", "01/01/2027 23:00:00"},
        {"4", "28/02/2028 10:00:00", "5", "0", "0", "29/02/2028 06:00:00"},
        {"4", "28/02/2027 10:00:00", "5", "0", "0", "01/03/2027 06:00:00"},
        {"4", "07/12/2026", "23", "0", "0", nullptr},
        {"4", "07/12/2026", "-1", "0", "0", nullptr},
        {"4", "07/12/2026", "abc", "0", "0", nullptr},
        // Weekly, on the chosen weekday.
        {"5", "07/12/2026 10:00:00", "7", "0", "0", "14/12/2026 08:00:00"}, // same day: 7
        {"5", "01/12/2026 10:00:00", "10", "4", "0", "04/12/2026 11:00:00"},
        {"5", "31/12/2026 10:00:00", "0", "6", "0", "03/01/2027 01:00:00"},
        {"5", "07/12/2026", "0", "7", "0", nullptr}, // never matches: stops at 7 days
        {"5", "07/12/2026", "0", "-1", "0", nullptr},
        {"5", "07/12/2026", "0", "x", "0", nullptr},
        {"5", "07/12/2026", "23", "0", "0", nullptr},
        // Monthly, on the chosen day.
        {"6", "15/01/2027 09:00:00", "0", "0", "30", "28/02/2027 01:00:00"},
        {"6", "31/01/2028 12:00:00", "0", "0", "30", "29/02/2028 01:00:00"},
        {"6", "02/03/2026 08:00:00", "0", "0", "4", "05/04/2026 01:00:00"},
        {"6", "15/12/2026 08:00:00", "22", "0", "0", "01/01/2027 23:00:00"},
        {"6", "10/03/2027 08:00:00", "0", "0", "30", "30/04/2027 01:00:00"},
        {"6", "10/01/2027 08:00:00", "0", "0", "29", "28/02/2027 01:00:00"},
        {"6", "10/01/2028 08:00:00", "0", "0", "28", "29/02/2028 01:00:00"},
        // No attempt can be built: the base one calendar month on, clamped, at its own time.
        {"6", "31/01/2027 09:15:20", "0", "0", "31", "28/02/2027 09:15:20"},
        {"6", "31/03/2027 09:15:20", "23", "0", "0", "30/04/2027 09:15:20"},
        {"6", "15/12/2026 10:00:00", "0", "0", "x", "15/01/2027 10:00:00"},
        {"6", "31/12/2026", "0", "0", "-1", "31/01/2027"},
        // Codes of no frequency.
        {"7", "07/12/2026", "0", "0", "0", nullptr},
        {"", "07/12/2026", "0", "0", "0", nullptr},
        {"04", "07/12/2026", "0", "0", "0", nullptr},
        {" 4", "07/12/2026", "0", "0", "0", nullptr},
        {"-1", "07/12/2026", "0", "0", "0", nullptr},
        {"abc", "07/12/2026", "0", "0", "0", nullptr},
    };
    for (const auto& row : rows) {
        const std::optional<DateTime> next = ComputeNextRun({row.code, row.weekday, row.day, row.hour}, Read(row.base));
        EXPECT_EQ(next ? FormatDateTimeText(*next) : "none", row.expected != nullptr ? row.expected : "none")
            << "code " << row.code << " from " << row.base << " h" << row.hour << " w" << row.weekday << " d"
            << row.day;
    }
}

// Over two weeks of bases and every weekday: the run lands 1 to 7 days later,
// on the chosen weekday, and a week later when the base is that weekday.
TEST(NextRunWeekly, AlwaysTheNextChosenWeekday) {
    const local_days monday{2026y / December / 7};
    for (int b = 0; b < 14; ++b) {
        const DateTime base(DateTime::TimePoint{monday + days{b} + hours{13}});
        for (unsigned index = 0; index < 7; ++index) {
            const auto next = ComputeNextRun({"5", std::to_string(index), "0", "2"}, base);
            ASSERT_TRUE(next.has_value());
            const local_days nextDay = floor<days>(next->timePoint());
            const auto gap = (nextDay - floor<days>(base.timePoint())).count();
            EXPECT_GE(gap, 1);
            EXPECT_LE(gap, 7);
            EXPECT_EQ(weekday{nextDay}.iso_encoding(), index + 1);
            EXPECT_EQ(gap == 7, weekday{floor<days>(base.timePoint())}.iso_encoding() == index + 1);
            EXPECT_EQ(next->timeOfDay().to_duration(), hours{3});
        }
    }
}

// For every base day of three years and every chosen day, the monthly run is
// in the following month, on the chosen day or that month's last day.
TEST(NextRunMonthly, AlwaysInTheFollowingMonth) {
    for (local_days day{2026y / January / 1}; day < local_days{2029y / January / 1}; day += days{1}) {
        const year_month_day base{day};
        const year_month following = year_month{base.year(), base.month()} + months{1};
        const unsigned lastDay = static_cast<unsigned>((following / last).day());
        for (unsigned index = 0; index < 31; index += 1) {
            const auto next =
                ComputeNextRun({"6", "0", std::to_string(index), "0"}, DateTime(DateTime::TimePoint{day}));
            ASSERT_TRUE(next.has_value());
            const year_month_day got = next->date();
            ASSERT_EQ(year_month(got.year(), got.month()), following);
            ASSERT_EQ(static_cast<unsigned>(got.day()), std::min(index + 1, lastDay));
        }
    }
}

TEST(IsDue, OnlyStrictlyAfterAReadableNextRun) {
    const struct {
        const char* nextRun;
        DateTime now;
        bool due;
    } rows[] = {
        {"08/12/2026 01:00:00", Read("08/12/2026 01:00:00"), false}, // the same second
        {"08/12/2026 01:00:00", Read("08/12/2026 01:00:01"), true},
        {"08/12/2026 01:00:00", Read("08/12/2026 01:00:00") + milliseconds{1}, true},
        {"08/12/2026 01:00:00", Read("08/12/2026 00:59:59"), false},
        {"08/12/2026", Read("08/12/2026 00:00:01"), true},
        {"08/12/2026", Read("07/12/2026 23:59:59"), false},
        {"0", Read("07/12/2026 14:05:33"), true}, // a missing key reads "0": due at the first pass
        {"", Read("07/12/2026 14:05:33"), false},
        {"31/04/2027", Read("07/12/2030"), false},
        {"demain", Read("07/12/2030"), false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(IsDue(row.nextRun, row.now), row.due) << row.nextRun << " at " << FormatDateTimeText(row.now);
    }
}

} // namespace
} // namespace vantorel
