#pragma once

#include <memory>

#include "core/timer.h"

namespace qv::platform {

/// A single-threaded event loop on the monotonic clock for front ends without
/// a toolkit: timers with the same delivery rules as the window's, and an
/// interrupt or termination signal that ends the loop cleanly.
class EventLoop {
public:
    EventLoop();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    std::unique_ptr<TimerBackend> makeTimerBackend();

    /// Runs until quit() or an interrupt/termination signal; returns the
    /// number of the signal that ended it, or 0.
    int run();

    /// Ends run() after the current handler returns.
    void quit();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace qv::platform
