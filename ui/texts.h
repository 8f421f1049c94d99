#pragma once

#include "jobs/questions.h"
#include "platform/errors.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <string_view>

class QWidget;

namespace vantorel {

// A list entry per label of one of the core's label tables.
template <std::size_t N> QStringList Labels(const std::array<std::string_view, N>& labels) {
    QStringList list;
    for (std::string_view label : labels) {
        list.append(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
    }
    return list;
}

// The words of a yes/no question, with "\r\n" between its two lines.
QString QuestionText(Question question);

// The message the application shows for a failure the core raised.
QString FailureText(const Error& error);

// Shows a failure in the application's top-level error display, a message box.
void ShowFailure(QWidget* parent, const Error& error);

// Tests only: failures are collected instead of shown; TakeShownFailures
// returns their texts and clears them.
void CollectFailuresForTesting();
QStringList TakeShownFailuresForTesting();

} // namespace vantorel
