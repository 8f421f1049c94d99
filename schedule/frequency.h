#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace vantorel {

// How a frequency moves a job's next run on.
enum class FrequencyKind {
    HourlySteps, // a fixed number of hours after the base
    Daily,       // the next day, at the chosen hour
    Weekly,      // the next chosen weekday, at the chosen hour
    Monthly,     // the chosen day of the next month, at the chosen hour
};

struct Frequency {
    std::string_view code;  // as stored in CbDelaiSave: the position in the list, as text
    std::string_view label; // as the frequency list shows it
    FrequencyKind kind;
    int stepHours; // HourlySteps only
};

// The one table of frequencies: list position i holds code i.
inline constexpr std::array<Frequency, 7> kFrequencies = {{
    {"0", "Toutes les heures", FrequencyKind::HourlySteps, 1},
    {"1", "Toutes les 4 heures", FrequencyKind::HourlySteps, 4},
    {"2", "Toutes les 8 heures", FrequencyKind::HourlySteps, 8},
    {"3", "Toutes les 12 heures", FrequencyKind::HourlySteps, 12},
    {"4", "Tous les jours", FrequencyKind::Daily, 0},
    {"5", "Toutes les semaines", FrequencyKind::Weekly, 0},
    {"6", "Tous les mois", FrequencyKind::Monthly, 0},
}};

// The frequency list's labels, in list order.
constexpr std::array<std::string_view, kFrequencies.size()> FrequencyLabels() {
    std::array<std::string_view, kFrequencies.size()> labels{};
    for (std::size_t i = 0; i < kFrequencies.size(); ++i) {
        labels[i] = kFrequencies[i].label;
    }
    return labels;
}

// The list position of the first frequency of a kind.
constexpr int FrequencyPosition(FrequencyKind kind) {
    for (std::size_t i = 0; i < kFrequencies.size(); ++i) {
        if (kFrequencies[i].kind == kind) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// What a new job starts with: "Tous les jours".
inline constexpr int kDefaultFrequency = FrequencyPosition(FrequencyKind::Daily);

// The frequency at a list position; nullopt outside the list.
constexpr std::optional<Frequency> FrequencyAt(int position) {
    if (position < 0 || static_cast<std::size_t>(position) >= kFrequencies.size()) {
        return std::nullopt;
    }
    return kFrequencies[static_cast<std::size_t>(position)];
}

// Which of the hour, weekday and day lists a frequency kind reads.
constexpr bool UsesHour(FrequencyKind kind) {
    return kind != FrequencyKind::HourlySteps;
}
constexpr bool UsesWeekday(FrequencyKind kind) {
    return kind == FrequencyKind::Weekly;
}
constexpr bool UsesDay(FrequencyKind kind) {
    return kind == FrequencyKind::Monthly;
}

// Hour index i means hour i + 1: there is no midnight entry.
inline constexpr std::array<std::string_view, 23> kHourLabels = {
    "01h00", "02h00", "03h00", "04h00", "05h00", "06h00", "07h00", "08h00", "09h00", "10h00", "11h00", "12h00",
    "13h00", "14h00", "15h00", "16h00", "17h00", "18h00", "19h00", "20h00", "21h00", "22h00", "23h00",
};

// Weekday index 0 is Monday.
inline constexpr std::array<std::string_view, 7> kWeekdayLabels = {
    "Lundi", "Mardi", "Mercredi", "Jeudi", "Vendredi", "Samedi", "Dimanche",
};

// Day index i means day i + 1.
inline constexpr std::array<std::string_view, 31> kDayLabels = {
    "01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12", "13", "14", "15", "16",
    "17", "18", "19", "20", "21", "22", "23", "24", "25", "26", "27", "28", "29", "30", "31",
};

} // namespace vantorel
