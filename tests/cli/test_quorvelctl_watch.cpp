#include "cli_support.h"

#include <signal.h>

#include <string>

// The watch command trims every process it may, the other tests' children
// too, so it runs alone (RUN_SERIAL).

namespace qv::test {
namespace {

TEST_F(Quorvelctl, WatchRunsPassesAndEndsCleanlyOnSigterm) {
    Child watch({QUORVELCTL, "watch", "--interval", "0.02", "--quiet"}, env());
    const std::string prefix = "自动内存优化功能－本次共计释放内存： ";
    const auto passes = [&](const std::string& out) {
        std::size_t count = 0;
        for (auto at = out.find(prefix); at != std::string::npos; at = out.find(prefix, at + 1)) ++count;
        return count;
    };
    ASSERT_TRUE(watch.readUntil([&](const std::string& out) { return passes(out) >= 2; }))
        << watch.out << watch.err;
    kill(watch.pid(), SIGTERM);
    EXPECT_EQ(watch.wait(), 0) << watch.err;
    EXPECT_EQ(watch.out.rfind("内存自动优化功能,默认策略为间隙优化! ", 0), 0u);
}

}  // namespace
}  // namespace qv::test
