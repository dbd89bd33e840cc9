#include "core/timer.h"

namespace qv {

Timer::Timer(std::unique_ptr<TimerBackend> backend, std::int32_t templatePeriod)
    : m_backend(std::move(backend)) {
    setPeriod(templatePeriod);
}

void Timer::setPeriod(std::int32_t period) {
    if (period < 0) period = 0;
    if (period == m_period) return;
    m_backend->stop();
    m_period = period;
    if (period > 0) m_backend->start(std::chrono::milliseconds{period});
}

void Timer::setTickHandler(std::function<void()> handler) {
    m_backend->setTickHandler(std::move(handler));
}

}  // namespace qv
