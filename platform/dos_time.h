#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace vantorel {

// An MS-DOS date and time as zip headers hold them, in local time:
// time = hour×2048 + minute×32 + second/2, date = (year−1980)×512 + month×32 + day.
struct DosDateTime {
    std::uint16_t time = 0;
    std::uint16_t date = 0;

    friend bool operator==(const DosDateTime&, const DosDateTime&) = default;
};

// The earliest and latest moments a DOS date-time can name.
inline constexpr DosDateTime kDosDateTimeMin{0x0000, 0x0021}; // 1980-01-01 00:00:00
inline constexpr DosDateTime kDosDateTimeMax{0xBF7D, 0xFF9F}; // 2107-12-31 23:59:58

// The local DOS date-time of a moment (through localtime_r, so the process's
// time zone applies). Odd seconds round down to the 2-second grid. Moments
// before 1980 give kDosDateTimeMin, moments after 2107 give kDosDateTimeMax.
DosDateTime ToDosDateTime(std::time_t moment);
DosDateTime ToDosDateTime(const std::timespec& moment);

// The moment a local DOS date-time names (through mktime with tm_isdst = -1,
// so the system decides whether daylight-saving time applied). Out-of-range
// fields (month 0 or 13, day 0...) are normalised as mktime does; returns -1
// when mktime cannot represent the result.
std::time_t FromDosDateTime(DosDateTime dos);

// FromDosDateTime for many entries in a row. Without TZ set, every mktime
// re-reads the zone file's status; the entries of one archive share few
// date-times, so each distinct one is converted once per object. Keep one
// object per extraction: a zone changed meanwhile applies to the next one.
class DosTimeCache {
public:
    std::time_t ToMoment(DosDateTime dos);

private:
    static constexpr std::size_t kSlots = 256;
    struct Slot {
        std::uint32_t key = 0; // date << 16 | time; 0 is no valid DOS date, so never a real key
        std::time_t moment = 0;
    };
    Slot slots_[kSlots];
};

} // namespace vantorel
