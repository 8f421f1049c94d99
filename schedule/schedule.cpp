#include "schedule/schedule.h"

#include "platform/decimal_text.h"

#include <cstdint>

namespace vantorel {

namespace {

// The table position an index text names; nullopt when it is not a number
// or lies outside a table of `size` entries.
std::optional<std::size_t> IndexIn(std::string_view text, std::size_t size) {
    const std::optional<std::int32_t> index = ParseDecimal(text);
    if (!index || *index < 0 || static_cast<std::size_t>(*index) >= size) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(*index);
}

template <typename Table> std::optional<std::string_view> LabelIn(const Table& labels, std::string_view text) {
    const std::optional<std::size_t> index = IndexIn(text, labels.size());
    if (!index) {
        return std::nullopt;
    }
    return labels[*index];
}

} // namespace

Schedule Schedule::FromPositions(const SchedulePositions& positions) {
    return Schedule{std::to_string(positions.frequency), std::to_string(positions.weekday),
                    std::to_string(positions.day), std::to_string(positions.hour)};
}

std::optional<SchedulePositions> Schedule::positions() const {
    const std::optional<std::int32_t> frequencyValue = ParseDecimal(code);
    const std::optional<std::int32_t> weekdayValue = ParseDecimal(weekday);
    const std::optional<std::int32_t> dayValue = ParseDecimal(day);
    const std::optional<std::int32_t> hourValue = ParseDecimal(hour);
    if (!frequencyValue || !weekdayValue || !dayValue || !hourValue) {
        return std::nullopt;
    }
    return SchedulePositions{*frequencyValue, *weekdayValue, *dayValue, *hourValue};
}

std::optional<Frequency> Schedule::frequency() const {
    for (const Frequency& candidate : kFrequencies) {
        if (candidate.code == code) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::optional<std::string_view> Schedule::frequencyLabel() const {
    const std::optional<std::size_t> index = IndexIn(code, kFrequencies.size());
    if (!index) {
        return std::nullopt;
    }
    return kFrequencies[*index].label;
}

std::optional<std::string_view> Schedule::hourLabel() const {
    return LabelIn(kHourLabels, hour);
}

std::optional<std::string_view> Schedule::weekdayLabel() const {
    return LabelIn(kWeekdayLabels, weekday);
}

std::optional<std::string_view> Schedule::dayLabel() const {
    return LabelIn(kDayLabels, day);
}

std::optional<std::chrono::hours> Schedule::hourOfDay() const {
    const std::optional<std::size_t> index = IndexIn(hour, kHourLabels.size());
    if (!index) {
        return std::nullopt;
    }
    return std::chrono::hours{static_cast<int>(*index) + 1};
}

std::optional<int> Schedule::weekdayNumber() const {
    const std::optional<std::int32_t> value = ParseDecimal(weekday);
    if (!value) {
        return std::nullopt;
    }
    return *value;
}

std::optional<unsigned> Schedule::dayOfMonth() const {
    const std::optional<std::size_t> index = IndexIn(day, kDayLabels.size());
    if (!index) {
        return std::nullopt;
    }
    return static_cast<unsigned>(*index) + 1;
}

} // namespace vantorel
