#include "platform/event_loop.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "core/timer_queue.h"

namespace qv::platform {
namespace {

TimerQueue::TimePoint monotonicNow() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
}

}  // namespace

struct EventLoop::Impl {
    TimerQueue queue{monotonicNow};
    bool quitRequested = false;
    int signalFd = -1;
    sigset_t previousMask{};

    Impl() {
        sigset_t mask;
        sigemptyset(&mask);
        sigaddset(&mask, SIGINT);
        sigaddset(&mask, SIGTERM);
        // The signals are read from a descriptor, so they only end the loop
        // between handlers and never interrupt one.
        sigprocmask(SIG_BLOCK, &mask, &previousMask);
        signalFd = signalfd(-1, &mask, SFD_CLOEXEC);
    }
    ~Impl() {
        if (signalFd >= 0) close(signalFd);
        sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    }

    int pollTimeout() const {
        const auto next = queue.nextDeadline();
        if (!next) return -1;
        const auto wait = *next - monotonicNow();
        if (wait.count() <= 0) return 0;
        return static_cast<int>(std::min<long long>(wait.count(), 60'000));
    }

    // The number of the signal waiting on the descriptor, or 0.
    int readSignal() const {
        signalfd_siginfo info{};
        const ssize_t n = read(signalFd, &info, sizeof info);
        if (n != static_cast<ssize_t>(sizeof info)) return 0;
        return static_cast<int>(info.ssi_signo);
    }
};

EventLoop::EventLoop() : m_impl(std::make_unique<Impl>()) {}
EventLoop::~EventLoop() = default;

std::unique_ptr<TimerBackend> EventLoop::makeTimerBackend() {
    return m_impl->queue.makeTimerBackend();
}

void EventLoop::quit() { m_impl->quitRequested = true; }

int EventLoop::run() {
    Impl& m = *m_impl;
    m.quitRequested = false;
    while (!m.quitRequested) {
        pollfd fd{m.signalFd, POLLIN, 0};
        const int ready = poll(&fd, m.signalFd >= 0 ? 1 : 0, m.pollTimeout());
        if (ready < 0 && errno != EINTR) return 0;
        if (ready > 0 && (fd.revents & POLLIN)) {
            const int signo = m.readSignal();
            if (signo != 0) return signo;
        }
        m.queue.deliverNext(monotonicNow());
    }
    return 0;
}

}  // namespace qv::platform
