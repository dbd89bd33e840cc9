#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace qv {

/// What a timer needs from an event loop: a periodic countdown that delivers
/// ticks on the user-interface thread with at most one tick pending, however
/// late the loop is.
class TimerBackend {
public:
    virtual ~TimerBackend() = default;
    /// Starts (or restarts) a fresh countdown of `period`, repeating.
    virtual void start(std::chrono::milliseconds period) = 0;
    virtual void stop() = 0;
    /// The function the loop calls on every tick.
    virtual void setTickHandler(std::function<void()> handler) = 0;
};

/// A timer control: a period in milliseconds (never negative) and a running
/// flag. Setting the period follows one rule everywhere: negative is 0; the
/// current value changes nothing, so a running countdown is never restarted by
/// repeated writes; any other value stops the timer, stores the period and,
/// when it is above 0, starts a fresh countdown.
class Timer {
public:
    /// A template period above 0 starts counting at creation.
    Timer(std::unique_ptr<TimerBackend> backend, std::int32_t templatePeriod);

    std::int32_t period() const { return m_period; }
    void setPeriod(std::int32_t period);
    bool running() const { return m_period > 0; }

    void setTickHandler(std::function<void()> handler);

private:
    std::unique_ptr<TimerBackend> m_backend;
    std::int32_t m_period = 0;
};

}  // namespace qv
