#pragma once

#include <array>
#include <string_view>

namespace vantorel {

// FrequencyCode: the index of the frequency list, stored as "0" to "6".
inline constexpr std::array<std::string_view, 7> kFrequencyLabels = {
    "Toutes les heures", "Toutes les 4 heures", "Toutes les 8 heures", "Toutes les 12 heures",
    "Tous les jours",    "Toutes les semaines", "Tous les mois",
};
inline constexpr int kDefaultFrequency = 4; // "Tous les jours"

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
