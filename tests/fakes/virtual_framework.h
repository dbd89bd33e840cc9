#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/application.h"
#include "core/virtual_time.h"

namespace qv::test {

/// Thrown where the real framework would end the process.
struct ProcessExit {
    int code;
};

/// The window framework in virtual time: the event loop is a
/// VirtualEventLoop, the fatal box is recorded, the end of the process throws.
class VirtualFramework final : public Framework {
public:
    using Duration = VirtualEventLoop::Duration;

    VirtualFramework(VirtualEventLoop& loop, std::function<void()> loader, Duration runLimit)
        : m_loop(loop), m_loader(std::move(loader)), m_runLimit(runLimit) {}

    void initialise() override { events.push_back("initialise"); }
    void loadMainWindow() override {
        events.push_back("load");
        m_loader();
    }
    void runEventLoop() override {
        events.push_back("loop");
        m_loop.runUntilQuit(m_runLimit);
        events.push_back("loop ended");
    }
    void requestQuit() override { m_loop.requestQuit(); }
    void showFatalError(const Text& message) override { fatalMessages.push_back(message); }
    [[noreturn]] void exitProcess(int code) override { throw ProcessExit{code}; }

    std::vector<std::string> events;
    std::vector<Text> fatalMessages;

private:
    VirtualEventLoop& m_loop;
    std::function<void()> m_loader;
    Duration m_runLimit;
};

}  // namespace qv::test
