#include "ui/frequency_row.h"

#include "schedule/frequency.h"
#include "ui/skin.h"
#include "ui/skin_combo_box.h"
#include "ui/texts.h"

#include <QLabel>

#include <optional>

namespace vantorel {

namespace {

// The row starts 8 pixels into its panel; left positions inside the row.
constexpr int kRowLeft = 8;
constexpr int kListHeight = 21;
constexpr int kLabelDrop = 3;
constexpr int kDayLabelLeft = 202;
constexpr int kDayListLeft = 226;
constexpr int kHourLabelAlone = 202; // daily: the hour takes the place of "le :"
constexpr int kHourListAlone = 226;
constexpr int kHourLabelAfterDay = 322;
constexpr int kHourListAfterDay = 344;

void MoveLeft(QWidget* widget, int left) {
    widget->move(left, widget->y());
}

} // namespace

FrequencyRow::FrequencyRow(QWidget* panel, int top, const QFont& font)
    : QWidget(panel), frequency_(new SkinComboBox(this, QStringLiteral("CbDelaiSave"), Labels(FrequencyLabels()))),
      dayLabel_(MakeLabel(this, QStringLiteral("LbLe"), QStringLiteral("le :"), kDayLabelLeft, kLabelDrop, font)),
      weekday_(new SkinComboBox(this, QStringLiteral("CbJoursSemaine"), Labels(kWeekdayLabels))),
      day_(new SkinComboBox(this, QStringLiteral("CbDateMois"), {})),
      hourLabel_(MakeLabel(this, QStringLiteral("LbA"), QStringLiteral("à :"), kHourLabelAfterDay, kLabelDrop, font)),
      hour_(new SkinComboBox(this, QStringLiteral("CbHeures"), Labels(kHourLabels))) {
    frequency_->setGeometry(0, 0, 196, kListHeight);
    weekday_->setGeometry(kDayListLeft, 0, 90, kListHeight);
    day_->setGeometry(kDayListLeft, 0, 90, kListHeight);
    hour_->setGeometry(kHourListAfterDay, 0, 70, kListHeight);
    // Wide and high enough for every control, the hour pair after the day lists.
    const QRect bounds = childrenRect();
    setGeometry(kRowLeft, top, bounds.right() + 1, bounds.bottom() + 1);
    connect(frequency_, &QComboBox::currentIndexChanged, this, &FrequencyRow::LayOut);
    Select(SchedulePositions{});
}

QStringList FrequencyRow::dayLabels() const {
    QStringList labels;
    for (int i = 0; i < day_->count(); ++i) {
        labels.append(day_->itemText(i));
    }
    return labels;
}

void FrequencyRow::SetDayLabels(const QStringList& labels) {
    day_->clear();
    day_->addItems(labels);
    day_->setCurrentIndex(labels.isEmpty() ? -1 : 0);
}

SchedulePositions FrequencyRow::positions() const {
    return {frequency_->currentIndex(), weekday_->currentIndex(), day_->currentIndex(), hour_->currentIndex()};
}

void FrequencyRow::Select(const SchedulePositions& positions) {
    const auto select = [](QComboBox* list, int position) {
        list->setCurrentIndex(position < list->count() ? position : -1);
    };
    select(frequency_, positions.frequency);
    select(weekday_, positions.weekday);
    select(day_, positions.day);
    select(hour_, positions.hour);
    // The frequency may be the one already chosen, which signals nothing.
    LayOut();
}

QString FrequencyRow::MissingChoice() const {
    const std::optional<Frequency> frequency = FrequencyAt(frequency_->currentIndex());
    if (!frequency) {
        return QStringLiteral("Choisissez une fréquence.");
    }
    if (UsesWeekday(frequency->kind) && weekday_->currentIndex() < 0) {
        return QStringLiteral("Choisissez un jour de la semaine.");
    }
    if (UsesDay(frequency->kind) && day_->currentIndex() < 0) {
        return QStringLiteral("Choisissez un jour du mois.");
    }
    if (UsesHour(frequency->kind) && hour_->currentIndex() < 0) {
        return QStringLiteral("Choisissez une heure.");
    }
    return {};
}

void FrequencyRow::LayOut() {
    const std::optional<Frequency> frequency = FrequencyAt(frequency_->currentIndex());
    const bool needsWeekday = frequency && UsesWeekday(frequency->kind);
    const bool needsDay = frequency && UsesDay(frequency->kind);
    const bool needsHour = frequency && UsesHour(frequency->kind);
    dayLabel_->setVisible(needsWeekday || needsDay);
    weekday_->setVisible(needsWeekday);
    day_->setVisible(needsDay);
    hourLabel_->setVisible(needsHour);
    hour_->setVisible(needsHour);
    // For hourly steps the hour pair is hidden and stays where it was.
    if (needsHour && !needsWeekday && !needsDay) {
        MoveLeft(hourLabel_, kHourLabelAlone);
        MoveLeft(hour_, kHourListAlone);
    } else if (needsWeekday || needsDay) {
        MoveLeft(hourLabel_, kHourLabelAfterDay);
        MoveLeft(hour_, kHourListAfterDay);
    }
}

} // namespace vantorel
