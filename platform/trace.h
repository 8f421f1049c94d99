#pragma once

#include <functional>
#include <sstream>
#include <string_view>

namespace vantorel::trace {

// A trace for the field: when the program is started with VANTOREL_DEBUG=1 it
// tells, one line at a time, what its runs, pipeline, reuse and recovery
// decided, so that a user's report shows why a backup did what it did. Off,
// it costs one relaxed load per call and formats nothing.

// Where the lines go; set once at start, before any run, by the program (or a
// test). An empty sink turns the trace off.
using Sink = std::function<void(std::string_view room, std::string_view line)>;
void SetSink(Sink sink);

bool Enabled();

// Sends one line to the sink; callers go through Line, which formats only
// when the trace is on.
void Write(std::string_view room, std::string_view line);

// Line("reuse", "kept ", name, " (", size, " bytes)"): the parts streamed
// together as one line of `room`.
template <typename... Parts> void Line(std::string_view room, const Parts&... parts) {
    if (!Enabled()) {
        return;
    }
    std::ostringstream text;
    (text << ... << parts);
    Write(room, text.str());
}

} // namespace vantorel::trace
