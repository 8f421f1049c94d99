#pragma once

// moc cannot parse the C++20 standard headers the core pulls in.
#ifndef Q_MOC_RUN
#include "runs/run_failure.h"
#endif

#include <QString>

namespace vantorel {

// Why a run or a restore failed, in the user's words: what happened, the
// file or folder, and the system's own text in brackets.
QString CauseText(const FailureCause& cause);

} // namespace vantorel
