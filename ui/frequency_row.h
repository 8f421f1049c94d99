#pragma once

#include "schedule/schedule.h"

#include <QStringList>
#include <QWidget>

#include <array>

class QFont;
class QLabel;

namespace vantorel {

class SkinComboBox;

// The frequency row that the new-job panel and the edit window share: the
// frequency list, "le :" with the weekday and day lists that share one place,
// and "à :" with the hour list. As the frequency changes, the row shows the
// controls it needs and moves the hour pair into place; hiding a list keeps
// its selection.
class FrequencyRow : public QWidget {
    Q_OBJECT

public:
    // The row in `panel`, its lists at `top` (the labels 3 pixels lower,
    // level with the lists' text), the default frequency chosen.
    FrequencyRow(QWidget* panel, int top, const QFont& font);

    SkinComboBox* frequencyList() const { return frequency_; }
    // The frequency, weekday, day and hour lists, in that order.
    std::array<SkinComboBox*, 4> lists() const { return {frequency_, weekday_, day_, hour_}; }

    // The day list's entries; replacing them selects the first.
    QStringList dayLabels() const;
    void SetDayLabels(const QStringList& labels);

    // What the lists show; -1 where a list has no selection.
    SchedulePositions positions() const;
    // A position outside its list selects nothing, as the list itself would.
    void Select(const SchedulePositions& positions);
    // What the user must still choose for the chosen frequency; empty when nothing.
    QString MissingChoice() const;

private:
    void LayOut();

    SkinComboBox* frequency_;
    QLabel* dayLabel_;
    SkinComboBox* weekday_;
    SkinComboBox* day_;
    QLabel* hourLabel_;
    SkinComboBox* hour_;
};

} // namespace vantorel
