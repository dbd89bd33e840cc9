#include "core/virtual_time.h"

#include <algorithm>

namespace qv {

struct VirtualEventLoop::Entry {
    VirtualEventLoop* loop = nullptr;
    bool active = false;
    Duration period{0};
    TimePoint due{0};
    std::uint64_t order = 0;  // ties go to the timer started first
    std::function<void()> handler;
};

class VirtualTimerBackend final : public TimerBackend {
public:
    explicit VirtualTimerBackend(VirtualEventLoop& loop) : m_loop(loop) {
        m_entry.loop = &loop;
        loop.m_entries.push_back(&m_entry);
    }
    ~VirtualTimerBackend() override {
        auto& entries = m_loop.m_entries;
        entries.erase(std::remove(entries.begin(), entries.end(), &m_entry), entries.end());
    }
    void start(std::chrono::milliseconds period) override {
        m_entry.active = true;
        m_entry.period = period;
        m_entry.due = m_loop.now() + period;
        m_entry.order = ++m_loop.m_order;
    }
    void stop() override { m_entry.active = false; }
    void setTickHandler(std::function<void()> handler) override {
        m_entry.handler = std::move(handler);
    }

private:
    VirtualEventLoop& m_loop;
    VirtualEventLoop::Entry m_entry;
};

VirtualEventLoop::VirtualEventLoop() = default;
VirtualEventLoop::~VirtualEventLoop() = default;

std::unique_ptr<TimerBackend> VirtualEventLoop::makeTimerBackend() {
    return std::make_unique<VirtualTimerBackend>(*this);
}

VirtualEventLoop::Entry* VirtualEventLoop::nextDue(TimePoint until) {
    Entry* best = nullptr;
    for (Entry* e : m_entries) {
        if (!e->active || e->due > until) continue;
        if (!best || e->due < best->due || (e->due == best->due && e->order < best->order)) {
            best = e;
        }
    }
    return best;
}

void VirtualEventLoop::runFor(Duration duration) {
    const TimePoint end = m_now + duration;
    m_quitRequested = false;
    while (!m_quitRequested) {
        Entry* e = nextDue(std::max(end, m_now));
        if (!e || e->due > end) break;
        // A tick that fell due while a handler ran is delivered late, and
        // periods that passed meanwhile collapse into this one tick.
        m_now = std::max(m_now, e->due);
        while (e->due <= m_now) e->due += e->period;
        e->order = ++m_order;
        ++m_ticks;
        if (e->handler) e->handler();
    }
    if (!m_quitRequested) m_now = std::max(m_now, end);
}

void VirtualEventLoop::runUntilQuit(Duration limit) { runFor(limit); }

}  // namespace qv
