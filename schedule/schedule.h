#pragma once

#include "schedule/frequency.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

// The four list positions a window shows for a job's schedule.
struct SchedulePositions {
    int frequency = kDefaultFrequency; // CbDelaiSave
    int weekday = 0;                   // CbJoursSemaine
    int day = 0;                       // CbDateMois
    int hour = 0;                      // CbHeures
};

// A job's schedule: its frequency code and its weekday, day and hour indexes,
// kept as the very texts ListeSave.ini stores, since a hand-edited file may
// hold anything there and the loading rules and labels must see it as it is.
// The accessors read the texts; none of them throws.
struct Schedule {
    std::string code = "0";    // CbDelaiSave
    std::string weekday = "0"; // CbJoursSemaine
    std::string day = "0";     // CbDateMois
    std::string hour = "0";    // CbHeures

    // The texts of a window's list positions.
    static Schedule FromPositions(const SchedulePositions& positions);

    // The four texts read as numbers (not checked against their lists);
    // nullopt when one of them is not a number.
    std::optional<SchedulePositions> positions() const;

    // The frequency whose code the stored code is, letter for letter ("04" is
    // none): nullopt means that no rule moves the job on.
    std::optional<Frequency> frequency() const;
    // The frequency list's label for the code read as a number, which a code
    // like "04" still has.
    std::optional<std::string_view> frequencyLabel() const;

    std::optional<std::string_view> hourLabel() const;
    std::optional<std::string_view> weekdayLabel() const;
    std::optional<std::string_view> dayLabel() const;

    // The hour of the day the hour index names (index i is i + 1 o'clock).
    std::optional<std::chrono::hours> hourOfDay() const;
    // The weekday as a number, not checked against the week: a weekly rule
    // must find out for itself that 9 never comes.
    std::optional<int> weekdayNumber() const;
    // The day of the month the day index names (index i is day i + 1).
    std::optional<unsigned> dayOfMonth() const;

    bool operator==(const Schedule&) const = default;
};

} // namespace vantorel
