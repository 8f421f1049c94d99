#pragma once

#include "schedule/frequency.h"

#include <QStringList>

#include <optional>

class QFont;
class QLabel;
class QWidget;

namespace vantorel {

// The controls of a frequency choice: "le :" with the weekday and day lists
// that share one place, and "à :" with the hour list.
struct FrequencyControls {
    QWidget* lbLe = nullptr;
    QWidget* cbJoursSemaine = nullptr;
    QWidget* cbDateMois = nullptr;
    QWidget* lbA = nullptr;
    QWidget* cbHeures = nullptr;
};

// Shows the controls that the frequency at list position `position` needs
// (none for -1, no selection) and moves the hour pair into place. Hiding a
// list keeps its selection; for hourly steps the positions are left as they were.
void LayOutFrequencyControls(int position, const FrequencyControls& controls);

class SkinComboBox;

// The frequency row that the new-job panel and the edit window share: the
// frequency list, "le :" with the weekday and day lists, "à :" with the hour
// list, at the same left positions in both windows.
struct FrequencyRow {
    SkinComboBox* cbDelaiSave = nullptr;
    QLabel* lbLe = nullptr;
    SkinComboBox* cbJoursSemaine = nullptr;
    SkinComboBox* cbDateMois = nullptr;
    QLabel* lbA = nullptr;
    SkinComboBox* cbHeures = nullptr;
};

// Builds the row in `panel` with its lists at `top` (the labels 3 pixels
// lower, level with the lists' text); the day list gets `dayLabels`.
FrequencyRow MakeFrequencyRow(QWidget* panel, int top, const QFont& font, const QStringList& dayLabels);

} // namespace vantorel
