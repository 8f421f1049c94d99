#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>

class QListWidget;

namespace vantorel {

// The row under a mouse at height `y` in a list whose first visible row is
// `firstVisibleRow`; nullopt above the first row or below the last.
std::optional<int> HintRow(int y, int firstVisibleRow, int rowCount);

// The hint of a row: its text, a line break, and when the job runs next, read
// from a DateTimeText "DD/MM/YYYY HH:MM:SS" (or "DD/MM/YYYY" at midnight);
// the row's text alone when the next run is empty. A last success (a
// DateTimeText too) adds a line saying when the job last backed up well.
QString NextRunHintText(const QString& rowText, const std::string& nextRun, const std::string& lastSuccess = {});

// The next run of the job a row names; nullopt when the row names no job.
using NextRunOfRow = std::function<std::optional<std::string>(int row)>;

// NextRunHint: shows at once, at the pointer, the hint of the row under the
// mouse at height `y` of `list`, or clears the hint outside the rows.
// `lastSuccessOf` (when given) tells the last success of a row's job.
void NextRunHint(QListWidget* list, int y, const NextRunOfRow& nextRunOf, const NextRunOfRow& lastSuccessOf = {});

} // namespace vantorel
