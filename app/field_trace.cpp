#include "app/field_trace.h"

#include "platform/trace.h"

#include <QTime>
#include <QtGlobal>

#include <string>
#include <unistd.h>

namespace vantorel {

void StartFieldTraceIfAsked() {
    if (qEnvironmentVariable("VANTOREL_DEBUG") != QLatin1String("1")) {
        return;
    }
    trace::SetSink([](std::string_view room, std::string_view line) {
        std::string text = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")).toStdString();
        text += " vantorel[";
        text += room;
        text += "] ";
        text += line;
        text += '\n';
        // One write per line, so that lines from the run's workers never
        // interleave; a trace that cannot be written is not worth a failure.
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
    });
}

} // namespace vantorel
