#pragma once

namespace tarnel {

// A stop asked for by a signal. Long work inside one event-loop handler (the
// loading of a large configuration, a data change over many streams) would
// hold the loop's stop event back until it is done; such work looks here
// between lines or streams and ends early, so that the stop event runs at once.
class StopRequest {
public:
    // Async-signal-safe: called in the signal handler itself.
    static void Raise() noexcept;
    static bool Raised() noexcept;
    // A later service control in the same process starts without it.
    static void Clear() noexcept;
};

}  // namespace tarnel
