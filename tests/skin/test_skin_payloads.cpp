#include <gtest/gtest.h>

#include <set>
#include <string>

#include "skin/format/skin_file.h"
#include "skin/payloads.h"

namespace qv::skin {
namespace {

TEST(BuiltInSkins, AreTwentyNineDifferentWellFormedSkins) {
    const SkinPayloads& payloads = BuiltInSkinPayloads();
    std::set<std::string> contents, names;
    for (std::int32_t id = 1; id <= kSkinCount; ++id) {
        SCOPED_TRACE(id);
        const auto bytes = payloads.skinFile(id);
        ASSERT_TRUE(bytes);
        ASSERT_GE(bytes->size(), 4u);
        EXPECT_EQ(std::string(bytes->begin(), bytes->begin() + 4), ".SHE");
        const auto skin = parseSkinFile(*bytes);
        ASSERT_TRUE(skin);
        EXPECT_TRUE(skin->palette[static_cast<std::size_t>(ColourRole::Window)]);
        EXPECT_FALSE(skin->styleSheet.empty());
        contents.insert(std::string(bytes->begin(), bytes->end()));
        names.insert(skin->name);
    }
    EXPECT_EQ(contents.size(), 29u);
    EXPECT_EQ(names.size(), 29u);
}

TEST(BuiltInSkins, IdsBeyondTheSkinsAreEmptyUpTo74AndNothingOutside) {
    const SkinPayloads& payloads = BuiltInSkinPayloads();
    for (std::int32_t id : {30, 31, 50, 74}) {
        const auto bytes = payloads.skinFile(id);
        ASSERT_TRUE(bytes) << id;
        EXPECT_TRUE(bytes->empty()) << id;
    }
    for (std::int32_t id : {INT32_MIN, -1, 0, 75, INT32_MAX}) EXPECT_FALSE(payloads.skinFile(id)) << id;
}

#ifdef QV_REAL_ENGINE
TEST(BuiltInEngine, IsASharedObjectCarryingTheFiveCalls) {
    const Bytes library = BuiltInSkinPayloads().library();
    ASSERT_GT(library.size(), 4u);
    EXPECT_EQ(std::string(library.begin(), library.begin() + 4), "\x7f" "ELF");
    const std::string text(library.begin(), library.end());
    for (const char* name : {"SkinH_Attach", "SkinH_AdjustHSV", "SkinH_SetMenuAlpha", "SkinH_SetAero",
                             "SkinH_AdjustAero"}) {
        EXPECT_NE(text.find(name), std::string::npos) << name;
    }
}
#endif

}  // namespace
}  // namespace qv::skin
