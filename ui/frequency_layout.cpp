#include "ui/frequency_layout.h"

#include "schedule/frequency.h"
#include "ui/list_drawing.h"
#include "ui/skin.h"
#include "ui/texts.h"

#include <QLabel>
#include <QWidget>

namespace vantorel {

namespace {

// Left positions inside the panel.
constexpr int kLeLeft = 210;
constexpr int kDayListLeft = 234;
constexpr int kHourLabelAlone = 210; // daily: the hour takes the place of "le :"
constexpr int kHourListAlone = 234;
constexpr int kHourLabelAfterDay = 330;
constexpr int kHourListAfterDay = 352;

void MoveLeft(QWidget* widget, int left) {
    widget->move(left, widget->y());
}

} // namespace

void LayOutFrequencyControls(int position, const FrequencyControls& c) {
    MoveLeft(c.lbLe, kLeLeft);
    MoveLeft(c.cbJoursSemaine, kDayListLeft);
    MoveLeft(c.cbDateMois, kDayListLeft);

    const std::optional<Frequency> frequency = FrequencyAt(position);
    const bool needsWeekday = frequency && UsesWeekday(frequency->kind);
    const bool needsDay = frequency && UsesDay(frequency->kind);
    const bool needsHour = frequency && UsesHour(frequency->kind);
    c.lbLe->setVisible(needsWeekday || needsDay);
    c.cbJoursSemaine->setVisible(needsWeekday);
    c.cbDateMois->setVisible(needsDay);
    c.lbA->setVisible(needsHour);
    c.cbHeures->setVisible(needsHour);
    if (needsHour && !needsWeekday && !needsDay) {
        MoveLeft(c.lbA, kHourLabelAlone);
        MoveLeft(c.cbHeures, kHourListAlone);
    } else if (needsWeekday || needsDay) {
        MoveLeft(c.lbA, kHourLabelAfterDay);
        MoveLeft(c.cbHeures, kHourListAfterDay);
    }
}

FrequencyRow MakeFrequencyRow(QWidget* panel, int top, const QFont& font, const QStringList& dayLabels) {
    const int labelTop = top + 3;
    FrequencyRow row;
    row.cbDelaiSave = new SkinComboBox(panel, QStringLiteral("CbDelaiSave"), Labels(FrequencyLabels()));
    row.cbDelaiSave->setGeometry(8, top, 196, 21);
    row.lbLe = MakeLabel(panel, QStringLiteral("LbLe"), QStringLiteral("le :"), kLeLeft, labelTop, font);
    row.cbJoursSemaine = new SkinComboBox(panel, QStringLiteral("CbJoursSemaine"), Labels(kWeekdayLabels));
    row.cbJoursSemaine->setGeometry(kDayListLeft, top, 90, 21);
    row.cbDateMois = new SkinComboBox(panel, QStringLiteral("CbDateMois"), dayLabels);
    row.cbDateMois->setGeometry(kDayListLeft, top, 90, 21);
    row.lbA = MakeLabel(panel, QStringLiteral("LbA"), QStringLiteral("à :"), kHourLabelAfterDay, labelTop, font);
    row.cbHeures = new SkinComboBox(panel, QStringLiteral("CbHeures"), Labels(kHourLabels));
    row.cbHeures->setGeometry(kHourListAfterDay, top, 70, 21);
    return row;
}

} // namespace vantorel
