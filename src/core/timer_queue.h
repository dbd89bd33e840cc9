#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/timer.h"

namespace qv {

/// The timers of one event loop and the order their ticks fall due, apart
/// from any clock: a virtual loop and a real one both drive it. Deadlines stay
/// on each timer's grid; periods missed while a handler ran collapse into one
/// pending tick.
class TimerQueue {
public:
    using Duration = std::chrono::milliseconds;
    using TimePoint = Duration;  // on the driving loop's clock

    /// `now` reads the driving loop's clock.
    explicit TimerQueue(std::function<TimePoint()> now);
    ~TimerQueue();
    TimerQueue(const TimerQueue&) = delete;
    TimerQueue& operator=(const TimerQueue&) = delete;

    std::unique_ptr<TimerBackend> makeTimerBackend();

    /// The earliest deadline of a running timer.
    std::optional<TimePoint> nextDeadline() const;

    /// Delivers the one tick that is due soonest if it is due by `until`;
    /// false when none is.
    bool deliverNext(TimePoint until);

    std::uint64_t ticksDelivered() const { return m_ticks; }

    struct Entry;

private:
    friend class QueuedTimerBackend;
    Entry* earliest(TimePoint until) const;

    std::function<TimePoint()> m_now;
    std::vector<Entry*> m_entries;
    std::uint64_t m_ticks = 0;
    std::uint64_t m_order = 0;
};

}  // namespace qv
