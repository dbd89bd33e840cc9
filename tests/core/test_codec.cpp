#include <gtest/gtest.h>

#include "core/texts.h"
#include "platform/codec.h"

namespace qv {
namespace {

// The program's fixed texts are GBK bytes in the source; this is where a
// wrong byte would show.
TEST(FixedTexts, ReadAsTheirUtf8Forms) {
    using platform::gbkToUtf8;
    EXPECT_EQ(gbkToUtf8(texts::kStartupStatus), "内存自动优化功能,默认策略为间隙优化! ");
    EXPECT_EQ(gbkToUtf8(texts::kTrimStatusPrefix), "自动内存优化功能－本次共计释放内存： ");
    EXPECT_EQ(gbkToUtf8(texts::kSkinModuleName), "皮肤模块");
    EXPECT_EQ(gbkToUtf8(texts::kAutostartSet), "开机自动优化设置成功！");
    EXPECT_EQ(gbkToUtf8(texts::kAutostartCleared), "开机自动优化成功取消！");
    EXPECT_EQ(gbkToUtf8(texts::kAutostartSetFailed), "开机自动优化设置失败！");
    EXPECT_EQ(gbkToUtf8(texts::kAutostartClearFailed), "开机自动优化取消失败！");
    EXPECT_EQ(gbkToUtf8(texts::kMessageCaption), "信息：");
}

TEST(Codec, RoundTripsAndReplaces) {
    using namespace platform;
    EXPECT_EQ(utf8ToGbk("皮肤模块"), texts::kSkinModuleName);
    EXPECT_EQ(gbkToUtf8(utf8ToGbk("Aero特效")), "Aero特效");
    EXPECT_EQ(utf8ToGbk("a\xf0\x9f\x98\x80" "b"), "a?b");  // no emoji in GBK
    EXPECT_EQ(gbkToUtf8("ok\xff"), "ok\xef\xbf\xbd");
    EXPECT_EQ(gbkToUtf8(""), "");
}

}  // namespace
}  // namespace qv
