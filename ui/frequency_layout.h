#pragma once

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

// CbDelaiSaveChange: shows the controls that frequency `code` needs (-1 for no
// selection) and moves the hour pair into place. Hiding a list keeps its
// selection; for codes 0 to 3 the positions are left as they were.
void CbDelaiSaveChange(int code, const FrequencyControls& controls);

} // namespace vantorel
