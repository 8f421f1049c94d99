#pragma once

namespace vantorel {

// Turns the field trace on when the program was started with VANTOREL_DEBUG=1:
// its lines go to the standard error, each stamped with the local time and
// its room. Without the variable nothing is written.
void StartFieldTraceIfAsked();

} // namespace vantorel
