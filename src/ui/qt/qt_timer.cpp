#include "ui/qt/qt_timer.h"

namespace qv {

QtTimerBackend::QtTimerBackend() {
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (m_handler) m_handler();
    });
}

void QtTimerBackend::start(std::chrono::milliseconds period) { m_timer.start(period); }

void QtTimerBackend::stop() { m_timer.stop(); }

void QtTimerBackend::setTickHandler(std::function<void()> handler) {
    m_handler = std::move(handler);
}

}  // namespace qv
