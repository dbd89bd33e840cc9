#include "cli_support.h"

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace qv::test {
namespace {

namespace fs = std::filesystem;

TEST_F(Quorvelctl, StatusJsonAgreesWithMeminfo) {
    const auto result = run({"status", "--json"});
    ASSERT_EQ(result.code, 0) << result.err;
    const auto figures = nlohmann::json::parse(result.out);
    const std::uint64_t totalMb = (memTotalKb() * 1024) >> 20;
    EXPECT_EQ(figures["total_physical"], std::to_string(totalMb) + "  M");
    const std::string used = figures["used_physical"];
    ASSERT_GE(used.size(), 4u);
    EXPECT_EQ(used.substr(used.size() - 3), "  M");
    EXPECT_LT(std::stoull(used), totalMb);
    const std::string cpu = figures["cpu"];
    EXPECT_EQ(cpu.substr(cpu.size() - 2), " %");
    const int load = std::stoi(cpu);
    EXPECT_GE(load, 0);
    EXPECT_LE(load, 100);
}

TEST_F(Quorvelctl, TrimPidReportsTheChildTrimmed) {
    Workload workload("trim");
    ASSERT_TRUE(workload.ready());
    const auto result = run({"trim", "--json", "--pid", std::to_string(workload.child->pid())});
    ASSERT_EQ(result.code, 0) << result.out << result.err;
    const auto report = nlohmann::json::parse(result.out);
    const std::string status = report["status"];
    EXPECT_EQ(status.rfind("自动内存优化功能－本次共计释放内存： ", 0), 0u) << status;
    EXPECT_EQ(status.substr(status.size() - 3), " MB");
    ASSERT_EQ(report["processes"].size(), 1u);
    const auto& p = report["processes"][0];
    EXPECT_EQ(p["pid"], workload.child->pid());
    EXPECT_EQ(p["outcome"], "trimmed");
    EXPECT_GT(p["rss_before_kb"].get<std::uint64_t>(), 30u * 1024);
    EXPECT_LT(p["rss_after_kb"].get<std::uint64_t>(), p["rss_before_kb"].get<std::uint64_t>() - 16 * 1024);
}

TEST_F(Quorvelctl, TrimByAPlainUserIsRefusedForRootsChild) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to start a child a plain user may not touch";
    if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "setpriv is missing";
    Workload workload("refused");
    ASSERT_TRUE(workload.ready());
    Child plain({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                 "--inh-caps=-all", QUORVELCTL, "trim", "--json", "--pid",
                 std::to_string(workload.child->pid())},
                env());
    const int code = plain.wait();
    ASSERT_NE(plain.out, "") << plain.err;
    const auto report = nlohmann::json::parse(plain.out);
    EXPECT_EQ(code, 1);  // asked for one process, none trimmed
    EXPECT_EQ(report["processes"][0]["outcome"], "refused: no permission");
}

TEST_F(Quorvelctl, TrimWithoutTheProcessStatusLibraryIsFatal) {
    // A copy of the tool in a folder of its own, with an empty drive: no
    // psapi.dll beside it, none in the mapped system folder.
    const fs::path lonely = config / "lonely";
    fs::create_directories(lonely / "drive");
    fs::copy_file(QUORVELCTL, lonely / "quorvelctl");
    Child child({(lonely / "quorvelctl").string(), "trim"},
                {"XDG_CONFIG_HOME=" + config.string(), "QUORVEL_DRIVE_C=" + (lonely / "drive").string()});
    EXPECT_EQ(child.wait(), 255);  // exit code -1
    EXPECT_NE(child.err.find("psapi.dll"), std::string::npos) << child.err;
    EXPECT_NE(child.err.find("EnumProcesses"), std::string::npos) << child.err;
    EXPECT_EQ(child.out, "");
}

TEST_F(Quorvelctl, RegRoundTripsGbkNames) {
    const std::string path = "Software\\Microsoft\\VUruvi\\皮肤模块\\Aero特效";
    ASSERT_EQ(run({"reg", "set", "3", path, "--dword", "1"}).code, 0);
    auto got = run({"reg", "get", "HKCU", "software\\microsoft\\vuruvi\\皮肤模块\\aero特效"});
    EXPECT_EQ(got.code, 0) << got.err;
    EXPECT_EQ(got.out, "REG_DWORD 1\n");
    ASSERT_EQ(run({"reg", "set", "3", "Software\\说明\\文字", "--sz", "中文 text"}).code, 0);
    got = run({"reg", "get", "3", "Software\\说明\\文字"});
    EXPECT_EQ(got.out, "REG_SZ 中文 text\n");
    const auto listed = run({"reg", "list", "3", "Software\\Microsoft\\VUruvi\\皮肤模块"});
    EXPECT_EQ(listed.out, "Aero特效 REG_DWORD 1\n");
    EXPECT_EQ(run({"reg", "delete", "3", path}).code, 0);
    EXPECT_EQ(run({"reg", "get", "3", path}).code, 1);
}

TEST_F(Quorvelctl, AutostartFollowsTheEntry) {
    EXPECT_EQ(run({"autostart", "status"}).out, "off\n");
    const auto on = run({"autostart", "--program", "/opt/my apps/quorvel", "on"});
    EXPECT_EQ(on.code, 0);
    EXPECT_EQ(on.out, "信息： 开机自动优化设置成功！\n");
    EXPECT_TRUE(fs::exists(config / "autostart" / "Quorvel1.0.desktop"));
    EXPECT_EQ(run({"autostart", "status"}).out, "on\n");
    EXPECT_EQ(run({"autostart", "off"}).out, "信息： 开机自动优化成功取消！\n");
    EXPECT_FALSE(fs::exists(config / "autostart" / "Quorvel1.0.desktop"));
}

TEST_F(Quorvelctl, BadArgumentsGiveOneLineAndExitCodeTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"bogus"},
        {"watch", "--interval", "x"},
        {"watch", "--interval", "1", "--threshold", "2"},
        {"watch", "--threshold", "-5"},
        {"reg", "set", "3", "a"},
        {"reg", "get", "7", "a"},
        {"trim", "--pid", "abc"},
        {"trim", "--follow", "-1"},
        {"autostart", "maybe"},
    };
    for (const auto& args : cases) {
        const auto result = run(args);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_EQ(result.code, 2) << joined;
        EXPECT_EQ(result.out, "") << joined;
        ASSERT_FALSE(result.err.empty()) << joined;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << joined << ": " << result.err;
    }
}

TEST_F(Quorvelctl, VersionIsTheProgramsRecord) {
    const auto result = run({"--version"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "Quorvel1.0 1.0.0.0 (Veldrin)\n");
}

}  // namespace
}  // namespace qv::test
