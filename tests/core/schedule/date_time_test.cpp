#include "schedule/date_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

namespace vantorel {
namespace {

using namespace std::chrono;

DateTime At(int y, unsigned mo, unsigned d, unsigned h = 0, unsigned mi = 0, unsigned s = 0) {
    const std::optional<DateTime> value = DateTime::FromParts(y, mo, d, h, mi, s);
    EXPECT_TRUE(value.has_value()) << y << "-" << mo << "-" << d;
    return value.value_or(DateTime{});
}

TEST(FormatDateTimeText, WritesBothFormsAndRoundsToTheMillisecondFirst) {
    const struct {
        DateTime value;
        const char* text;
    } rows[] = {
        {At(2026, 12, 7, 14, 5, 33), "07/12/2026 14:05:33"},
        {At(2026, 12, 7), "07/12/2026"},                                             // midnight: the date alone
        {At(2026, 12, 7, 0, 0, 1), "07/12/2026 00:00:01"},                           // one second past is not midnight
        {At(2026, 12, 7, 14, 5, 33) + microseconds{999'499}, "07/12/2026 14:05:33"}, // 33.999 kept at 33
        {At(2026, 12, 7, 14, 5, 33) + microseconds{999'500}, "07/12/2026 14:05:34"}, // 34.000 after rounding
        {At(2026, 12, 31, 23, 59, 59) + microseconds{999'700}, "01/01/2027"},        // rounds into midnight
        {DateTime{}, "30/12/1899"},
        {At(1, 1, 1, 1, 2, 3), "01/01/0001 01:02:03"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FormatDateTimeText(row.value), row.text);
    }
    EXPECT_EQ(FormatDateText(At(2026, 12, 7, 14, 5, 33)), "07/12/2026");
}

TEST(ParseDateTimeText, ReadsTheWrittenFormsAndATimeAlone) {
    const struct {
        const char* text;
        DateTime value;
    } rows[] = {
        {"07/12/2026 14:05:33", At(2026, 12, 7, 14, 5, 33)},
        {"07/12/2026", At(2026, 12, 7)},
        {"29/02/2028 23:59:59", At(2028, 2, 29, 23, 59, 59)},
        {"7/1/2026 9:05", At(2026, 1, 7, 9, 5)}, // lenient: one-digit parts, no seconds
        {" 07/12/2026  14:05:33 ", At(2026, 12, 7, 14, 5, 33)},
        {"0", DateTime{}}, // midnight of the day-zero date
        {"14", At(1899, 12, 30, 14)},
        {"14:05", At(1899, 12, 30, 14, 5)},
        {"14:05:33", At(1899, 12, 30, 14, 5, 33)},
    };
    for (const auto& row : rows) {
        const std::optional<DateTime> value = ParseDateTimeText(row.text);
        ASSERT_TRUE(value.has_value()) << "'" << row.text << "'";
        EXPECT_EQ(*value, row.value) << "'" << row.text << "'";
    }
}

TEST(ParseDateTimeText, RejectsDaysTheMonthLacksAndOtherTexts) {
    for (const char* text : {"",
                             " ",
                             "31/04/2027",
                             "29/02/2027",
                             "29/02/2027 10:00:00",
                             "31/04/2027 01:00:00",
                             "00/01/2026",
                             "32/01/2026",
                             "01/00/2026",
                             "01/13/2026",
                             "01/01/0000",
                             "07/12/26",
                             "07/12/20261",
                             "07-12-2026",
                             "07/12/2026x",
                             "07/12/2026 24:00:00",
                             "07/12/2026 12:60",
                             "07/12/2026 12:00:60",
                             "07/12/2026 14:05:33 x",
                             "07/12/2026 14:",
                             "24",
                             "123",
                             "12:",
                             "1:2:3:4",
                             "-1",
                             "abc",
                             "14h00"}) {
        EXPECT_FALSE(ParseDateTimeText(text).has_value()) << "'" << text << "'";
    }
}

TEST(DateTimeText, EveryWrittenValueReadsBackUnchanged) {
    // Steps of 7919 s cross every hour, minute and second value, midnights
    // included, over a leap year and the turn of two years.
    const DateTime start = At(2027, 11, 30);
    for (seconds offset{0}; offset < hours{24 * 800}; offset += seconds{7919}) {
        const DateTime value = start + offset;
        const std::string text = FormatDateTimeText(value);
        const std::optional<DateTime> back = ParseDateTimeText(text);
        ASSERT_TRUE(back.has_value()) << text;
        ASSERT_EQ(*back, value) << text;
    }
    const DateTime midnight = At(2028, 2, 29);
    EXPECT_EQ(ParseDateTimeText(FormatDateTimeText(midnight)), midnight);
}

TEST(DateTime, FromPartsRejectsImpossibleParts) {
    EXPECT_FALSE(DateTime::FromParts(2027, 2, 29).has_value());
    EXPECT_FALSE(DateTime::FromParts(2026, 13, 1).has_value());
    EXPECT_FALSE(DateTime::FromParts(2026, 1, 1, 24).has_value());
    EXPECT_FALSE(DateTime::FromParts(2026, 1, 1, 0, 0, 0, 1000).has_value());
    EXPECT_EQ(DateTime{}.date(), year_month_day{year{1899} / December / 30});
}

} // namespace
} // namespace vantorel
