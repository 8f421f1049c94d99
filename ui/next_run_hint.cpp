#include "ui/next_run_hint.h"

#include "ui/list_rows.h"
#include "ui/skin.h"

#include <QCursor>
#include <QListWidget>
#include <QToolTip>

namespace vantorel {

std::optional<int> HintRow(int y, int firstVisibleRow, int rowCount) {
    // Integer division rounds towards zero, so a pointer a few pixels above the
    // first row must be caught before it reads as row 0.
    if (y < 0) {
        return std::nullopt;
    }
    const int row = y / kListRowHeight + firstVisibleRow;
    if (row < 0 || row >= rowCount) {
        return std::nullopt;
    }
    return row;
}

namespace {

// "DD/MM/YYYY à HHhMM" from a DateTimeText.
QString DateAndTime(const QString& text) {
    const QString date = text.left(10);
    // A time at midnight is stored as the date alone ("DD/MM/YYYY"); its time
    // is then 00:00. Any other text is cut where a full date-time has its time.
    QString time = text.size() == 10 ? QStringLiteral("00:00") : text.mid(11, 5);
    time.replace(QLatin1Char(':'), QLatin1Char('h'));
    return date + QStringLiteral(" à ") + time;
}

} // namespace

QString NextRunHintText(const QString& rowText, const std::string& nextRun, const std::string& lastSuccess) {
    QString hint = rowText;
    const QString next = QString::fromStdString(nextRun);
    // No next run known: nothing to tell about it.
    if (!next.isEmpty()) {
        hint += QStringLiteral("\r\nProchaine sauvegarde prévue pour le ") + DateAndTime(next);
    }
    if (!lastSuccess.empty()) {
        hint +=
            QStringLiteral("\r\nDernière sauvegarde réussie le ") + DateAndTime(QString::fromStdString(lastSuccess));
    }
    return hint;
}

void NextRunHint(QListWidget* list, int y, const NextRunOfRow& nextRunOf, const NextRunOfRow& lastSuccessOf) {
    QToolTip::hideText();
    const QModelIndex first = list->indexAt(QPoint(0, 0));
    const int firstVisible = first.isValid() ? first.row() : 0;
    const std::optional<int> row = HintRow(y, firstVisible, list->count());
    const std::optional<std::string> next = row ? nextRunOf(*row) : std::nullopt;
    if (!row || !next) {
        list->setToolTip(QString());
        return;
    }
    const std::optional<std::string> lastSuccess = lastSuccessOf ? lastSuccessOf(*row) : std::nullopt;
    const QString text =
        DisplayText(NextRunHintText(list->item(*row)->text(), *next, lastSuccess.value_or(std::string())));
    list->setToolTip(text);
    QToolTip::showText(QCursor::pos(), text, list);
}

} // namespace vantorel
