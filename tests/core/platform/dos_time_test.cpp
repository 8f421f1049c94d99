// DOS date-times are local: these rows assume TZ=Europe/Paris, as ctest sets.

#include "platform/dos_time.h"
#include "tests/support/file_tree.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

using test::LocalTime;

TEST(DosTime, ConvertsBothWays) {
    const struct {
        const char* label;
        std::time_t moment;
        DosDateTime dos;
        std::time_t back; // what the DOS words name again
    } rows[] = {
        {"summer",
         LocalTime(2024, 7, 14, 15, 30, 42),
         {15 * 2048 + 30 * 32 + 21, 44 * 512 + 7 * 32 + 14},
         LocalTime(2024, 7, 14, 15, 30, 42)},
        {"odd second rounds down",
         LocalTime(2024, 7, 14, 15, 30, 43),
         {15 * 2048 + 30 * 32 + 21, 44 * 512 + 7 * 32 + 14},
         LocalTime(2024, 7, 14, 15, 30, 42)},
        {"winter",
         LocalTime(2025, 1, 31, 23, 59, 59),
         {23 * 2048 + 59 * 32 + 29, 45 * 512 + 1 * 32 + 31},
         LocalTime(2025, 1, 31, 23, 59, 58)},
        {"first DOS moment", LocalTime(1980, 1, 1, 0, 0, 0), kDosDateTimeMin, LocalTime(1980, 1, 1, 0, 0, 0)},
        {"before 1980", LocalTime(1979, 12, 31, 23, 59, 59), kDosDateTimeMin, LocalTime(1980, 1, 1, 0, 0, 0)},
        {"epoch", 0, kDosDateTimeMin, LocalTime(1980, 1, 1, 0, 0, 0)},
        {"last DOS moment", LocalTime(2107, 12, 31, 23, 59, 59), kDosDateTimeMax, LocalTime(2107, 12, 31, 23, 59, 58)},
        {"after 2107", LocalTime(2108, 1, 1, 0, 0, 0), kDosDateTimeMax, LocalTime(2107, 12, 31, 23, 59, 58)},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ToDosDateTime(row.moment), row.dos) << row.label;
        EXPECT_EQ(ToDosDateTime(std::timespec{row.moment, 999999999}), row.dos) << row.label;
        EXPECT_EQ(FromDosDateTime(row.dos), row.back) << row.label;
    }
}

TEST(DosTimeWallClock, FollowsDaylightSavingChanges) {
    // 2024-03-31 02:30 does not exist in Paris and 2024-10-27 02:30 exists
    // twice; an hour either side both read back to the same wall clock.
    // The cache must give each distinct date-time its own moment, twice over.
    DosTimeCache cache;
    for (int round = 0; round < 2; ++round) {
        for (const std::time_t moment : {LocalTime(2024, 3, 31, 1, 30, 0), LocalTime(2024, 3, 31, 3, 30, 0),
                                         LocalTime(2024, 10, 27, 1, 30, 0), LocalTime(2024, 10, 27, 3, 30, 0)}) {
            EXPECT_EQ(FromDosDateTime(ToDosDateTime(moment)), moment);
            EXPECT_EQ(cache.ToMoment(ToDosDateTime(moment)), moment);
        }
    }
}

} // namespace
} // namespace vantorel
