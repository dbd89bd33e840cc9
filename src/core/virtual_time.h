#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "core/timer.h"
#include "core/timer_queue.h"

namespace qv {

/// An event loop in virtual time, for tests: minutes of simulated time pass in
/// microseconds. Handlers may consume time themselves (a sleep in a handler
/// calls `consume`); ticks that fall due meanwhile are delivered afterwards,
/// at most one per timer.
class VirtualEventLoop {
public:
    using Duration = std::chrono::milliseconds;
    using TimePoint = Duration;  // since the loop was made

    VirtualEventLoop();
    VirtualEventLoop(const VirtualEventLoop&) = delete;
    VirtualEventLoop& operator=(const VirtualEventLoop&) = delete;

    /// A backend bound to this loop, for a Timer.
    std::unique_ptr<TimerBackend> makeTimerBackend() { return m_queue.makeTimerBackend(); }

    TimePoint now() const { return m_now; }

    /// Lets time pass while a handler runs, without delivering any tick.
    void consume(Duration duration) { m_now += duration; }

    /// Delivers every tick that falls due until `now() + duration`, in time
    /// order, then stops the clock there (or where a quit was requested).
    void runFor(Duration duration);

    /// Delivers ticks until a quit is requested or `limit` has passed.
    void runUntilQuit(Duration limit) { runFor(limit); }

    /// Ends the current run after the handler that asked for it returns.
    void requestQuit() { m_quitRequested = true; }
    bool quitRequested() const { return m_quitRequested; }

    /// Number of ticks delivered so far, all timers.
    std::uint64_t ticksDelivered() const { return m_queue.ticksDelivered(); }

private:
    TimePoint m_now{0};
    bool m_quitRequested = false;
    TimerQueue m_queue;
};

}  // namespace qv
