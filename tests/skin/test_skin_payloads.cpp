#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "platform/memory.h"
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

/// Which of the pages from `begin` are in this process's resident set, as
/// the kernel's page map tells.
std::vector<bool> residentPages(std::uintptr_t begin, std::size_t pages) {
    const int map = ::open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
    std::vector<bool> resident;
    const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    for (std::size_t i = 0; i < pages; ++i) {
        std::uint64_t entry = 0;
        const off_t at = static_cast<off_t>((begin / pageSize + i) * sizeof entry);
        if (::pread(map, &entry, sizeof entry, at) != sizeof entry) entry = 0;
        resident.push_back((entry >> 63) != 0);
    }
    ::close(map);
    return resident;
}

TEST(BuiltInPayloadRegion, HoldsEveryPayloadAndGivesItsPagesBackUnchanged) {
    const Bytes region = BuiltInPayloadRegion();
    const auto inRegion = [&](Bytes bytes) {
        return bytes.data() >= region.data() && bytes.data() + bytes.size() <= region.data() + region.size();
    };
    const SkinPayloads& payloads = BuiltInSkinPayloads();
    // Built without the toolkit, the program carries no engine.
    if (!payloads.library().empty()) {
        EXPECT_TRUE(inRegion(payloads.library()));
    }
    for (std::int32_t id = 1; id <= kSkinCount; ++id) EXPECT_TRUE(inRegion(*payloads.skinFile(id))) << id;

    const auto sum = [&] { return std::accumulate(region.begin(), region.end(), std::uint64_t{0}); };
    const std::uint64_t before = sum();  // every page touched
    const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(region.data());
    const std::uintptr_t firstWhole = (begin + pageSize - 1) / pageSize * pageSize;
    const std::size_t wholePages = (begin + region.size()) / pageSize - firstWhole / pageSize;
    ASSERT_GE(wholePages, 2u) << "the skins alone fill several pages";

    platform::releaseReadOnlyPages(std::as_bytes(region));
    const std::vector<bool> after = residentPages(firstWhole, wholePages);
    EXPECT_EQ(std::count(after.begin(), after.end(), true), 0) << "of " << wholePages << " pages";
    EXPECT_EQ(sum(), before) << "read back from the program file as they were";
    EXPECT_TRUE(parseSkinFile(*payloads.skinFile(2)));
}

}  // namespace
}  // namespace qv::skin
