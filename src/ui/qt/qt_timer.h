#pragma once

#include <QTimer>

#include "core/timer.h"

namespace qv {

/// A timer backend on Qt's event loop. QTimer never queues more than one
/// tick, however long a handler keeps the loop busy.
class QtTimerBackend final : public TimerBackend {
public:
    QtTimerBackend();
    void start(std::chrono::milliseconds period) override;
    void stop() override;
    void setTickHandler(std::function<void()> handler) override;

private:
    QTimer m_timer;
    std::function<void()> m_handler;
};

}  // namespace qv
