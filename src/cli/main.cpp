// quorvelctl: the optimiser without a window, for terminals, servers and
// scripts. It runs the window program's own handlers on in-memory controls.

#include <charconv>
#include <cstdio>
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/headless.h"
#include "core/conversions.h"
#include "core/version.h"
#include "platform/codec.h"

namespace {

// Exit codes, documented in --help and the manual page.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

std::string utf8(const qv::Text& text) { return qv::platform::gbkToUtf8(text); }

std::string versionText() {
    return std::string(qv::version::kProductName) + " " + std::string(qv::version::kFileVersion) +
           " (" + std::string(qv::version::kCompanyName) + ")";
}

/// The six dashboard captions, in the window's order.
nlohmann::json dashboardJson(qv::PlainMainWindow& w) {
    return nlohmann::json{
        {"cpu", utf8(w.标签13.caption())},          {"memory_load", utf8(w.标签15.caption())},
        {"total_physical", utf8(w.标签5.caption())}, {"used_physical", utf8(w.标签22.caption())},
        {"total_virtual", utf8(w.标签24.caption())}, {"used_virtual", utf8(w.标签26.caption())},
    };
}

std::string dashboardLine(qv::PlainMainWindow& w) {
    return "CPU " + utf8(w.标签13.caption()) + " | memory " + utf8(w.标签15.caption()) +
           " | physical " + utf8(w.标签22.caption()) + " of " + utf8(w.标签5.caption()) +
           " | virtual " + utf8(w.标签26.caption()) + " of " + utf8(w.标签24.caption());
}

int runStatus(bool json) {
    qv::HeadlessSession session;
    session.load();
    const auto& refresh = session.wiring().parts.refreshDashboard;
    if (!refresh) {
        std::fprintf(stderr, "quorvelctl: the figures are not available in this build\n");
        return kExitFailed;
    }
    refresh();
    if (json) {
        std::cout << dashboardJson(session.window()).dump(2) << "\n";
    } else {
        std::cout << dashboardLine(session.window()) << "\n";
    }
    return kExitOk;
}

struct WatchOptions {
    std::string intervalMinutes;  // as typed into the interval box
    std::string thresholdPercent;  // as typed into the threshold box
    bool quiet = false;
};

/// Accepts a plain non-negative decimal number, whole text.
const CLI::Validator kNonNegativeNumber(
    [](std::string& text) -> std::string {
        double value = 0;
        const auto* end = text.data() + text.size();
        const auto [stop, error] = std::from_chars(text.data(), end, value);
        if (error != std::errc() || stop != end || !(value >= 0)) {
            return "'" + text + "' is not a non-negative number";
        }
        return {};
    },
    "NUMBER");

int runWatch(const WatchOptions& options) {
    qv::HeadlessSession session;
    session.setAfterCreation([&] {
        auto& w = session.window();
        if (!options.thresholdPercent.empty()) {
            w.单选框3.setChecked(false);
            w.单选框4.setChecked(true);
            w.编辑框2.setText(options.thresholdPercent);
        }
        if (!options.intervalMinutes.empty()) w.编辑框1.setText(options.intervalMinutes);
    });
    session.setStatusListener([](const qv::Text& caption) {
        std::cout << utf8(caption) << std::endl;
    });
    if (!options.quiet) {
        session.setRefreshListener([&] { std::cout << dashboardLine(session.window()) << std::endl; });
    }
    return session.run();
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"quorvelctl — the Quorvel1.0 memory optimiser without a window.\n"
                 "Exit codes: 0 done, 1 the operation failed, 2 bad arguments.",
                 "quorvelctl"};
    app.set_version_flag("--version", versionText());
    app.require_subcommand(1);

    bool statusJson = false;
    auto* status = app.add_subcommand("status", "print the six dashboard figures once");
    status->add_flag("--json", statusJson, "print them as JSON");

    WatchOptions watch;
    auto* watchCommand =
        app.add_subcommand("watch", "optimise until interrupted (SIGINT/SIGTERM end it with 0)");
    auto* interval = watchCommand->add_option("--interval", watch.intervalMinutes,
                                              "trim every MINUTES (default 5)");
    auto* threshold = watchCommand->add_option(
        "--threshold", watch.thresholdPercent, "trim when memory use exceeds PERCENT");
    interval->excludes(threshold);
    interval->check(kNonNegativeNumber);
    threshold->check(kNonNegativeNumber);
    watchCommand->add_flag("--quiet", watch.quiet, "print only the passes' status lines");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::string message = e.what();
        for (char& c : message) {
            if (c == '\n') c = ' ';
        }
        std::fprintf(stderr, "quorvelctl: %s (see quorvelctl --help)\n", message.c_str());
        return kExitUsage;
    }

    if (*status) return runStatus(statusJson);
    if (*watchCommand) return runWatch(watch);
    return kExitUsage;
}
