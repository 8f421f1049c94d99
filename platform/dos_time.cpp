#include "platform/dos_time.h"

namespace vantorel {

namespace {

constexpr int kDosEpochYear = 1980;
constexpr int kDosLastYear = 2107; // 7 bits of years after 1980

} // namespace

DosDateTime ToDosDateTime(std::time_t moment) {
    std::tm local{};
    if (localtime_r(&moment, &local) == nullptr) {
        // Only a moment beyond the years a tm can hold gets here.
        return moment < 0 ? kDosDateTimeMin : kDosDateTimeMax;
    }
    const int year = local.tm_year + 1900;
    if (year < kDosEpochYear) {
        return kDosDateTimeMin;
    }
    if (year > kDosLastYear) {
        return kDosDateTimeMax;
    }
    // tm_sec may be 60 on a leap second; 60/2 = 30 does not fit the 5 bits.
    const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    DosDateTime dos;
    dos.time = static_cast<std::uint16_t>(local.tm_hour * 2048 + local.tm_min * 32 + second / 2);
    dos.date = static_cast<std::uint16_t>((year - kDosEpochYear) * 512 + (local.tm_mon + 1) * 32 + local.tm_mday);
    return dos;
}

DosDateTime ToDosDateTime(const std::timespec& moment) {
    return ToDosDateTime(moment.tv_sec); // the 2-second grid makes the nanoseconds irrelevant
}

std::time_t FromDosDateTime(DosDateTime dos) {
    std::tm local{};
    local.tm_year = kDosEpochYear + (dos.date >> 9) - 1900;
    local.tm_mon = ((dos.date >> 5) & 0x0F) - 1;
    local.tm_mday = dos.date & 0x1F;
    local.tm_hour = dos.time >> 11;
    local.tm_min = (dos.time >> 5) & 0x3F;
    local.tm_sec = (dos.time & 0x1F) * 2;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::time_t DosTimeCache::ToMoment(DosDateTime dos) {
    const std::uint32_t key = static_cast<std::uint32_t>(dos.date) << 16 | dos.time;
    Slot& slot = slots_[(key ^ key >> 11 ^ key >> 19) % kSlots];
    if (key == 0 || slot.key != key) {
        slot.key = key;
        slot.moment = FromDosDateTime(dos);
    }
    return slot.moment;
}

} // namespace vantorel
