// The whole program's handlers for a simulated day in virtual time, on
// platform layers that fail calls at random. A simulated user switches the
// strategy, types odd texts into the two boxes and clicks the autostart box
// now and then. After every trim pass and every dashboard refresh the captions
// are checked; any fault found is printed and the exit code is 1.
//
// Usage: soak_virtual [SEED] [HOURS] [--no-zero-totals]   (defaults 20261211, 24)
// --no-zero-totals leaves out the readings whose total is zero: one of those
// stops the watch timer for good, and the rest of the day then sees few
// strategy evaluations.

#include <stdlib.h>  // mkdtemp

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "app/program.h"
#include "core/application.h"
#include "core/conversions.h"
#include "core/shared_state.h"
#include "core/texts.h"
#include "core/virtual_time.h"
#include "fakes/virtual_framework.h"
#include "flaky_fakes.h"
#include "monitor/dashboard_texts.h"
#include "optimize/strategy.h"
#include "optimize/trim_pass.h"
#include "platform/codec.h"
#include "soak_monitor.h"
#include "soak_settings.h"
#include "ui/plain_controls.h"

namespace qv::soak {
namespace {

using std::chrono::milliseconds;
using namespace std::chrono_literals;

constexpr std::uint64_t kDefaultSeed = 20261211;
constexpr double kDefaultHours = 24.0;
constexpr auto kLongestUserPause = milliseconds{2min};
constexpr auto kShortUserPause = milliseconds{20s};
/// Trim periods below this make the user change the interval at once.
constexpr std::int32_t kTooFastPeriod = 1000;
constexpr TextView kExecutable = "/usr/bin/quorvel";
constexpr double kLowestProcessorUsage = -1.0;  // the counters could not be read
constexpr std::size_t kMaxReported = 20;

// What the user types into the interval box (minutes) and the threshold box
// (percent): plain figures, letters, full-width GBK digits, a lone lead byte,
// huge and negative numbers, nothing. 71582.7883 minutes wraps to 2 ms.
const std::array<Text, 18> kIntervalTexts = {
    "0.05", "0.5", "1", "5", "", "abc", "0", "-3", "\xa3\xb5" /* ５ */,
    "\xa3\xb0\xa3\xae\xa3\xb0\xa3\xb5" /* ０．０５ */, "1e3", "99999999999999999999", "1e400",
    "3x", " 2", "0.00001", "71582.7883", "\xce\xe5\xb7\xd6\xd6\xd3" /* 五分钟 */};
const std::array<Text, 12> kThresholdTexts = {
    "40", "0", "100", "", "abc", "0.5", "-5", "\xa3\xb1\xa3\xb0\xa3\xb0" /* １００ */,
    "1e10", "nan", "\xa3", "75"};

const std::set<Text> kNonFiniteForms = {"1.#INF", "-1.#INF", "-1.#IND", "1.#QNAN", "-1.#QNAN",
                                        "1.#SNAN", "-1.#SNAN"};

bool figureWellFormed(TextView figure) {
    if (kNonFiniteForms.count(Text(figure))) return true;
    if (figure.empty()) return false;
    return NumberToText(TextToNumber(figure)) == figure;
}

bool hasAtMostTwoDecimals(TextView figure) {
    if (figure.find_first_of("eE#") != TextView::npos) return true;
    const auto point = figure.find('.');
    return point == TextView::npos || figure.size() - point - 1 <= 2;
}

/// The figure between `prefix` and `suffix`, when the caption has both.
std::optional<TextView> figureBetween(TextView caption, TextView prefix, TextView suffix) {
    if (caption.size() < prefix.size() + suffix.size()) return std::nullopt;
    if (!caption.starts_with(prefix) || !caption.ends_with(suffix)) return std::nullopt;
    return caption.substr(prefix.size(), caption.size() - prefix.size() - suffix.size());
}

struct Counts {
    std::uint64_t passes = 0, refreshes = 0, evaluations = 0, userActions = 0;
    std::uint64_t strategySwitches = 0, intervalTexts = 0, thresholdTexts = 0;
    std::uint64_t autostartClicks = 0, settingsRounds = 0, trayIcons = 0, skinInstalls = 0;
    std::uint64_t violations = 0;
    /// User ticks that found the watch timer stopped on a kept usage that is
    /// not finite (a reading with a total of zero): no threshold ends that.
    std::uint64_t stuckOnNonFiniteUsage = 0;
    std::int64_t firstStuckAt = -1;  // ms
};

class Soak {
public:
    Soak(std::uint64_t seed, const std::filesystem::path& configHome, double hours, ZeroTotals zeroTotals)
        : m_chance(seed),
          m_memory(m_chance, m_faults, zeroTotals),
          m_dashboard(m_loop, m_memory, m_chance, m_faults),
          m_processes(m_memory, m_chance, m_faults),
          m_settings(configHome, m_chance, m_faults),
          m_runLimit(static_cast<std::int64_t>(hours * 3600.0 * 1000.0)),
          m_framework(m_loop, [this] { loadMainWindow(); }, m_runLimit),
          m_application(m_framework, m_state) {}

    int run();

private:
    void loadMainWindow();
    Program::Parts makeParts();
    void checkedPass();
    void checkedRefresh();
    void userActs();
    void typeInterval();
    void typeThreshold();
    void switchStrategy();
    void clickAutostart();
    void settingsRound();
    void noteStuckWatch();
    void checkStatus(const char* when);
    void checkDashboard();
    void checkCaption(LabelControl& label, TextView suffix, const char* name);
    void checkEnd(int exitCode);
    void report() const;
    void violation(const std::string& what);
    MainWindowControls& controls() { return *m_controls; }
    template <class Array>
    const Text& pick(const Array& texts) {
        return texts[static_cast<std::size_t>(m_chance.between(0, static_cast<std::int64_t>(texts.size()) - 1))];
    }

    Chance m_chance;
    FaultCounts m_faults;
    VirtualEventLoop m_loop;
    WanderingMemory m_memory;
    SoakDashboard m_dashboard;
    FlakyProcesses m_processes;
    SoakSettings m_settings;
    RecordingShell m_shell;
    SharedState m_state;
    milliseconds m_runLimit;
    test::VirtualFramework m_framework;
    Application m_application;

    std::unique_ptr<PlainMainWindow> m_window;
    std::optional<MainWindowControls> m_controls;
    std::unique_ptr<TrimPass> m_pass;
    std::unique_ptr<StrategyScheduler> m_scheduler;
    std::unique_ptr<Program> m_program;
    std::unique_ptr<Timer> m_user;
    Program::Parts m_parts;
    Counts m_counts;
    std::int64_t m_nextProgressHour = 1;
};

void Soak::violation(const std::string& what) {
    if (++m_counts.violations <= kMaxReported)
        std::fprintf(stderr, "VIOLATION at %lld ms: %s\n", static_cast<long long>(m_loop.now().count()),
                     what.c_str());
}

Program::Parts Soak::makeParts() {
    Program::Parts parts;
    parts.setAutostartBox = [this] { m_settings.setAutostartBox(controls().选择框3); };
    parts.installSkin = [this](TextView) { ++m_counts.skinInstalls; };
    parts.addTrayIcon = [this] { ++m_counts.trayIcons; };
    parts.refreshDashboard = [this] { checkedRefresh(); };
    parts.trimPass = [this] { checkedPass(); };
    parts.onRefreshTick = [this] { m_scheduler->OnRefreshTick(); };
    parts.evaluateStrategy = [this] {
        ++m_counts.evaluations;
        m_scheduler->EvaluateStrategy();
    };
    parts.onAutostartClicked = [this] {
        m_settings.onAutostartClicked(m_shell, controls().选择框3, kExecutable);
    };
    parts.openContactLink = [this] { m_shell.openUrl("http://example.invalid/"); };
    return parts;
}

void Soak::loadMainWindow() {
    m_window = std::make_unique<PlainMainWindow>(m_loop.makeTimerBackend(), m_loop.makeTimerBackend(),
                                                 m_loop.makeTimerBackend());
    m_controls.emplace(m_window->controls());
    m_pass = std::make_unique<TrimPass>(m_state, m_processes, controls().标签4);
    m_parts = makeParts();
    m_scheduler = std::make_unique<StrategyScheduler>(
        m_state, controls(), [this] { checkedPass(); }, [this] { checkedRefresh(); });
    m_program = std::make_unique<Program>(m_application, controls(), m_parts);
    m_program->bindTimers();
    m_program->OnMainWindowCreated();
    if (controls().标签4.caption() != texts::kStartupStatus) violation("start-up status not shown");

    m_user = std::make_unique<Timer>(m_loop.makeTimerBackend(), 0);
    m_user->setTickHandler([this] { userActs(); });
    m_user->setPeriod(static_cast<std::int32_t>(m_chance.between(1000, kLongestUserPause.count())));
}

void Soak::checkedPass() {
    m_pass->run();
    ++m_counts.passes;
    checkStatus("after a pass");
    if (m_processes.handlesOpen() != 0)
        violation("handles left open after a pass: " + std::to_string(m_processes.handlesOpen()));
}

void Soak::checkedRefresh() {
    m_dashboard.refresh(controls());
    ++m_counts.refreshes;
    checkDashboard();
}

void Soak::checkStatus(const char* when) {
    const Text caption = controls().标签4.caption();
    if (caption == texts::kStartupStatus && m_counts.passes == 0) return;
    const auto figure = figureBetween(caption, texts::kTrimStatusPrefix, texts::kTrimStatusSuffix);
    if (!figure || !figureWellFormed(*figure) || !hasAtMostTwoDecimals(*figure))
        violation(std::string("status ") + when + ": [" + caption + "]");
}

void Soak::checkCaption(LabelControl& label, TextView suffix, const char* name) {
    const Text caption = label.caption();
    const auto figure = figureBetween(caption, "", suffix);
    if (!figure || !figureWellFormed(*figure)) violation(std::string(name) + ": [" + caption + "]");
}

void Soak::checkDashboard() {
    checkCaption(controls().标签5, kMegabyteSuffix, "total physical");
    checkCaption(controls().标签22, kMegabyteSuffix, "used physical");
    checkCaption(controls().标签24, kMegabyteSuffix, "total virtual");
    checkCaption(controls().标签26, kMegabyteSuffix, "used virtual");
    checkCaption(controls().标签15, kPercentSuffix, "memory usage");
    checkCaption(controls().标签13, kPercentSuffix, "processor usage");
    const double cpu = TextToNumber(controls().标签13.caption());
    if (cpu < kLowestProcessorUsage || cpu > 100.0 || cpu != std::floor(cpu))
        violation("processor usage out of range: [" + controls().标签13.caption() + "]");
    for (const double bar : {controls().CPU占用图.value(), controls().内存占用图.value()})
        if (!std::isfinite(bar)) violation("a chart bar is not finite");
}

void Soak::typeInterval() {
    ++m_counts.intervalTexts;
    controls().编辑框1.setText(pick(kIntervalTexts));
}

void Soak::typeThreshold() {
    ++m_counts.thresholdTexts;
    controls().编辑框2.setText(pick(kThresholdTexts));
}

void Soak::switchStrategy() {
    ++m_counts.strategySwitches;
    const bool interval = m_chance.happens(0.5);
    controls().单选框3.setChecked(interval);
    controls().单选框4.setChecked(!interval);
}

void Soak::clickAutostart() {
    ++m_counts.autostartClicks;
    CheckControl& box = controls().选择框3;
    const auto messagesBefore = m_shell.messages;
    box.setChecked(!box.checked());
    m_parts.onAutostartClicked();
    if (m_shell.messages != messagesBefore + 1) violation("an autostart click told nothing");
    if (box.checked() != m_settings.autostartStored())
        violation("autostart box disagrees with the store");
}

void Soak::settingsRound() {
    ++m_counts.settingsRounds;
    for (const std::string& denied : m_settings.settingsRound(pick(kIntervalTexts))) violation(denied);
}

void Soak::noteStuckWatch() {
    if (controls().时钟3.period() != 0 || std::isfinite(m_state.MemoryUsagePercent)) return;
    ++m_counts.stuckOnNonFiniteUsage;
    if (m_counts.firstStuckAt < 0) m_counts.firstStuckAt = m_loop.now().count();
}

void Soak::userActs() {
    ++m_counts.userActions;
    checkStatus("between passes");
    noteStuckWatch();
    const auto hour = m_loop.now().count() / 3600000;
    if (hour >= m_nextProgressHour) {
        std::fprintf(stderr, "soak: %lld simulated hour(s), %llu passes; kept usage %g, %s strategy, "
                     "interval [%s], threshold [%s], trim %d ms, watch %d ms\n",
                     static_cast<long long>(hour), static_cast<unsigned long long>(m_counts.passes),
                     static_cast<double>(m_state.MemoryUsagePercent),
                     controls().单选框3.checked() ? "interval" : "threshold", controls().编辑框1.text().c_str(),
                     controls().编辑框2.text().c_str(), controls().时钟1.period(), controls().时钟3.period());
        m_nextProgressHour = hour + 1;
    }
    const std::int32_t trimPeriod = controls().时钟1.period();
    if (trimPeriod > 0 && trimPeriod < kTooFastPeriod) {
        typeInterval();  // a pass every few milliseconds: the user changes it at once
    } else {
        switch (m_chance.between(0, 9)) {
            case 0: case 1: switchStrategy(); break;
            case 2: case 3: case 4: typeInterval(); break;
            case 5: case 6: typeThreshold(); break;
            case 7: clickAutostart(); break;
            case 8: settingsRound(); break;
            default: break;  // just looks
        }
    }
    const std::int32_t typedPeriod = IntervalPeriod(TextToNumber(controls().编辑框1.text()));
    const bool tooFast = typedPeriod > 0 && typedPeriod < kTooFastPeriod;
    const auto longest = tooFast ? kShortUserPause : kLongestUserPause;
    m_user->setPeriod(static_cast<std::int32_t>(m_chance.between(1000, longest.count())));
}

void Soak::checkEnd(int exitCode) {
    if (exitCode != kExitOrderly) violation("exit code " + std::to_string(exitCode));
    if (m_state.releaseCount != 1) violation("shared state released " + std::to_string(m_state.releaseCount) + " times");
    if (m_processes.handlesOpen() != 0) violation("handles open at the end");
    if (m_processes.badCalls() != 0) violation("calls with wrong rights, sizes or handles");
    if (m_shell.badCaptions != 0) violation("message boxes with another caption");
    if (m_shell.emptyTexts != 0) violation("empty message boxes");
    if (m_counts.passes == 0) violation("no trim pass ran");
    if (m_loop.now() < m_runLimit) violation("the loop ended early");
}

void Soak::report() const {
    const auto u = [](std::uint64_t v) { return static_cast<unsigned long long>(v); };
    std::printf("simulated time        %.2f h\n", static_cast<double>(m_loop.now().count()) / 3600000.0);
    std::printf("ticks delivered       %llu\n", u(m_loop.ticksDelivered()));
    std::printf("trim passes           %llu (processes trimmed %llu)\n", u(m_counts.passes), u(m_processes.trims()));
    std::printf("dashboard refreshes   %llu\n", u(m_counts.refreshes));
    std::printf("strategy evaluations  %llu\n", u(m_counts.evaluations));
    std::printf("user actions          %llu (strategy %llu, interval %llu, threshold %llu, autostart %llu, settings %llu)\n",
                u(m_counts.userActions), u(m_counts.strategySwitches), u(m_counts.intervalTexts),
                u(m_counts.thresholdTexts), u(m_counts.autostartClicks), u(m_counts.settingsRounds));
    std::printf("messages shown        %llu\n", u(m_shell.messages));
    std::printf("failures injected     %llu (processor %llu, enumeration %llu, misreported %llu, open %llu, "
                "trim %llu, settings writes %llu, odd memory readings %llu)\n",
                u(m_faults.total()), u(m_faults.processorQueryFailures), u(m_faults.enumerationFailures),
                u(m_faults.misreportedCounts), u(m_faults.openFailures), u(m_faults.trimFailures),
                u(m_faults.settingsWriteFailures), u(m_faults.oddMemoryReadings));
    const std::string lastStatus = m_window ? platform::gbkToUtf8(m_window->标签4.caption()) : "";
    std::printf("last status           [%s]\n", lastStatus.c_str());
    std::printf("watch stopped on a non-finite kept usage: %llu of the user's ticks", u(m_counts.stuckOnNonFiniteUsage));
    if (m_counts.firstStuckAt >= 0)
        std::printf(", first at %.2f h", static_cast<double>(m_counts.firstStuckAt) / 3600000.0);
    std::printf("\n");
    std::printf("violations            %llu\n", u(m_counts.violations));
}

int Soak::run() {
    int exitCode = -2;
    try {
        exitCode = m_application.run();
    } catch (const test::ProcessExit& exit) {
        exitCode = exit.code;
    }
    checkEnd(exitCode);
    report();
    return m_counts.violations == 0 ? 0 : 1;
}

}  // namespace
}  // namespace qv::soak

int main(int argc, char** argv) {
    const std::uint64_t seed = argc > 1 ? std::stoull(argv[1]) : qv::soak::kDefaultSeed;
    const double hours = argc > 2 ? std::stod(argv[2]) : qv::soak::kDefaultHours;
    const auto zeroTotals = argc > 3 && std::string(argv[3]) == "--no-zero-totals"
                                ? qv::soak::ZeroTotals::Never
                                : qv::soak::ZeroTotals::Injected;
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-soak-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 2;
    }
    const std::filesystem::path configHome = pattern;
    std::printf("seed                  %llu%s\n", static_cast<unsigned long long>(seed),
                zeroTotals == qv::soak::ZeroTotals::Never ? ", no zero totals" : "");
    int result = 0;
    {
        qv::soak::Soak soak(seed, configHome, hours, zeroTotals);
        result = soak.run();
    }
    std::filesystem::remove_all(configHome);
    return result;
}
