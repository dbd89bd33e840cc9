#include "core/timer_queue.h"

#include <algorithm>

namespace qv {

struct TimerQueue::Entry {
    bool active = false;
    Duration period{0};
    TimePoint due{0};
    std::uint64_t order = 0;  // ties go to the timer that waited longest
    std::function<void()> handler;
};

class QueuedTimerBackend final : public TimerBackend {
public:
    explicit QueuedTimerBackend(TimerQueue& queue) : m_queue(queue) {
        queue.m_entries.push_back(&m_entry);
    }
    ~QueuedTimerBackend() override {
        auto& entries = m_queue.m_entries;
        entries.erase(std::remove(entries.begin(), entries.end(), &m_entry), entries.end());
    }
    void start(std::chrono::milliseconds period) override {
        m_entry.active = true;
        m_entry.period = period;
        m_entry.due = m_queue.m_now() + period;
        m_entry.order = ++m_queue.m_order;
    }
    void stop() override { m_entry.active = false; }
    void setTickHandler(std::function<void()> handler) override {
        m_entry.handler = std::move(handler);
    }

private:
    TimerQueue& m_queue;
    TimerQueue::Entry m_entry;
};

TimerQueue::TimerQueue(std::function<TimePoint()> now) : m_now(std::move(now)) {}
TimerQueue::~TimerQueue() = default;

std::unique_ptr<TimerBackend> TimerQueue::makeTimerBackend() {
    return std::make_unique<QueuedTimerBackend>(*this);
}

TimerQueue::Entry* TimerQueue::earliest(TimePoint until) const {
    Entry* best = nullptr;
    for (Entry* e : m_entries) {
        if (!e->active || e->due > until) continue;
        if (!best || e->due < best->due || (e->due == best->due && e->order < best->order)) {
            best = e;
        }
    }
    return best;
}

std::optional<TimerQueue::TimePoint> TimerQueue::nextDeadline() const {
    const Entry* e = earliest(TimePoint::max());
    if (!e) return std::nullopt;
    return e->due;
}

bool TimerQueue::deliverNext(TimePoint until) {
    Entry* e = earliest(until);
    if (!e) return false;
    const TimePoint now = std::max(m_now(), e->due);
    while (e->due <= now) e->due += e->period;
    e->order = ++m_order;
    ++m_ticks;
    auto handler = e->handler;  // the handler may stop or destroy its own timer
    if (handler) handler();
    return true;
}

}  // namespace qv
