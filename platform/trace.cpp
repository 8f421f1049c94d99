#include "platform/trace.h"

#include <atomic>
#include <utility>

namespace vantorel::trace {

namespace {

// Set before the first run and never changed while workers write, so the flag
// alone guards the sink.
Sink& TheSink() {
    static Sink sink;
    return sink;
}

std::atomic<bool> enabled{false};

} // namespace

void SetSink(Sink sink) {
    enabled.store(false, std::memory_order_release);
    TheSink() = std::move(sink);
    enabled.store(static_cast<bool>(TheSink()), std::memory_order_release);
}

bool Enabled() {
    return enabled.load(std::memory_order_relaxed);
}

void Write(std::string_view room, std::string_view line) {
    if (enabled.load(std::memory_order_acquire)) {
        TheSink()(room, line);
    }
}

} // namespace vantorel::trace
