#include "core/virtual_time.h"

#include <algorithm>

namespace qv {

VirtualEventLoop::VirtualEventLoop() : m_queue([this] { return m_now; }) {}

void VirtualEventLoop::runFor(Duration duration) {
    const TimePoint end = m_now + duration;
    m_quitRequested = false;
    while (!m_quitRequested) {
        const auto next = m_queue.nextDeadline();
        if (!next || *next > end) break;
        // A tick that fell due while a handler ran is delivered late.
        m_now = std::max(m_now, *next);
        m_queue.deliverNext(m_now);
    }
    if (!m_quitRequested) m_now = std::max(m_now, end);
}

}  // namespace qv
