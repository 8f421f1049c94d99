#include "app/local_now.h"

#include <QDateTime>

#include <optional>

namespace vantorel {

DateTime LocalNow() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    const std::optional<DateTime> value =
        DateTime::FromParts(date.year(), static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                            static_cast<unsigned>(time.hour()), static_cast<unsigned>(time.minute()),
                            static_cast<unsigned>(time.second()), static_cast<unsigned>(time.msec()));
    // The system clock always gives an existing day.
    return value.value_or(DateTime());
}

} // namespace vantorel
