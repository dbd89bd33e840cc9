// quorvelctl: the optimiser without a window, for terminals, servers and
// scripts. It runs the window program's own handlers on in-memory controls.

#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/headless.h"
#include "cli/settings_commands.h"
#include "cli/trim_command.h"
#include "core/conversions.h"
#include "core/version.h"
#include "platform/codec.h"
#include "platform/module_path.h"

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
nlohmann::ordered_json dashboardJson(qv::PlainMainWindow& w) {
    return nlohmann::ordered_json{
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

/// The window program that the autostart entry names: the one installed
/// beside this tool.
std::string siblingProgram() {
    const std::string self = utf8(qv::platform::executablePath());
    const auto slash = self.rfind('/');
    if (slash == std::string::npos) return "quorvel";
    return self.substr(0, slash + 1) + "quorvel";
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

    qv::cli::TrimOptions trimOptions;
    auto* trim = app.add_subcommand("trim", "one trim pass, then a report per process");
    trim->add_flag("--json", trimOptions.json, "print the report as JSON");
    trim->add_option("--pid", trimOptions.pids, "trim only these processes")->expected(1, -1);
    trim->add_option("--follow", trimOptions.followSeconds,
                     "wait SECONDS, then report what stayed free")
        ->check(CLI::Range(0.0, 86400.0));

    auto* reg = app.add_subcommand("reg", "read and edit the settings store");
    reg->require_subcommand(1);
    qv::cli::RegCommand regCommand;
    auto addRootAndPath = [&](CLI::App* command) {
        command->add_option("ROOT", regCommand.root, "1..5 or HKCR, HKCC, HKCU, HKLM, HKU")
            ->required();
        command->add_option("PATH", regCommand.path, "key path and value name, backslashes")
            ->required();
    };
    auto* regGet = reg->add_subcommand("get", "print a value");
    addRootAndPath(regGet);
    auto* regSet = reg->add_subcommand("set", "write a value");
    addRootAndPath(regSet);
    auto* dword = regSet->add_option("--dword", regCommand.dword, "a REG_DWORD number");
    auto* sz = regSet->add_option("--sz", regCommand.text, "a REG_SZ text (UTF-8)");
    dword->excludes(sz);
    dword->check(CLI::Range(std::int64_t{INT32_MIN}, std::int64_t{UINT32_MAX}));
    auto* regDelete = reg->add_subcommand("delete", "delete a value, or else a key of that name");
    addRootAndPath(regDelete);
    auto* regList = reg->add_subcommand("list", "list a key's subkeys and values");
    addRootAndPath(regList);

    auto* autostart = app.add_subcommand("autostart", "the login autostart entry");
    autostart->require_subcommand(1);
    std::string program = siblingProgram();
    autostart->add_option("--program", program, "the program the entry starts")
        ->capture_default_str();
    auto* autostartOn = autostart->add_subcommand("on", "start the window program at login");
    auto* autostartOff = autostart->add_subcommand("off", "do not start it at login");
    autostart->add_subcommand("status", "print on or off");

    try {
        app.parse(argc, argv);
        if (*regSet && !regCommand.dword && !regCommand.text) {
            std::fprintf(stderr, "quorvelctl: reg set needs --dword N or --sz TEXT\n");
            return kExitUsage;
        }
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
    if (*trim) return qv::cli::runTrim(trimOptions);
    if (*reg) {
        using Action = qv::cli::RegCommand::Action;
        regCommand.action = *regGet      ? Action::Get
                            : *regSet    ? Action::Set
                            : *regDelete ? Action::Delete
                                         : Action::List;
        return qv::cli::runReg(regCommand);
    }
    if (*autostart) {
        using Action = qv::cli::AutostartAction;
        const Action action = *autostartOn ? Action::On : *autostartOff ? Action::Off : Action::Status;
        return qv::cli::runAutostart(action, program);
    }
    return kExitUsage;
}
