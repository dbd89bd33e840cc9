#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "core/texts.h"
#include "skin/skin_installer.h"
#include "skin/skin_texts.h"
#include "skin_test_support.h"

namespace qv::skin {
namespace {

namespace fs = std::filesystem;

/// Records the engine calls, one text each.
class RecordingEngine final : public SkinEngine {
public:
    void attach() override { calls.push_back("attach"); }
    void adjustHsv(std::int32_t h, std::int32_t s, std::int32_t v) override {
        calls.push_back("hsv " + std::to_string(h) + " " + std::to_string(s) + " " + std::to_string(v));
    }
    void setMenuAlpha(std::int32_t a) override { calls.push_back("menu " + std::to_string(a)); }
    void setAero(std::int32_t on) override { calls.push_back("aero " + std::to_string(on)); }
    void adjustAero(const AeroArguments& a) override {
        std::string text = "glass";
        for (auto v : a) text += " " + std::to_string(v);
        calls.push_back(text);
    }
    std::vector<std::string> calls;
};

/// Settings by value name under the skin module; a text value reads as
/// absent, as a value of the wrong type does.
struct FakeSettings {
    std::map<std::string, std::int32_t> numbers;
    std::map<std::string, std::string> texts;
    std::vector<std::string> reads;

    RegistryNumberReader reader() {
        return [this](std::int32_t root, TextView path, std::int32_t fallback) {
            const std::string prefix = SkinSettingPath(qv::texts::kSkinModuleName, "");
            EXPECT_EQ(root, 3);
            EXPECT_EQ(path.substr(0, prefix.size()), prefix);
            const std::string name(path.substr(prefix.size()));
            reads.push_back(name);
            const auto it = numbers.find(name);
            return it == numbers.end() ? fallback : it->second;
        };
    }
};

std::string skinText(std::int32_t id) { return ".SHE skin " + std::to_string(id); }

class Installer : public ::testing::Test {
protected:
    Installer() {
        for (std::int32_t id = 1; id <= kSkinCount; ++id) m_skinStore.push_back(test::bytesOf(skinText(id)));
        std::array<Bytes, kSkinCount> skins;
        for (std::size_t i = 0; i < skins.size(); ++i) skins[i] = m_skinStore[i];
        payloads.emplace(Bytes(m_library), skins);
    }

    void install() {
        SkinServices services{state, settings.reader(), *files, *payloads, engine};
        InstallSkin(qv::texts::kSkinModuleName, services);
    }

    fs::path library() const { return root / "WINDOWS" / "system32" / "JiaH.dll"; }
    fs::path skinFile() const { return root / "WINDOWS" / "system32" / "skinh.she"; }

    test::TempDir dir;
    fs::path root = dir / "drive_c";
    std::unique_ptr<platform::FileSystem> files = platform::makeFileSystem(root.string());
    std::vector<std::uint8_t> m_library = test::bytesOf(std::string("\x7f" "ELF engine\0bytes", 17));
    std::vector<std::vector<std::uint8_t>> m_skinStore;
    std::optional<TablePayloads> payloads;
    SharedState state;
    FakeSettings settings;
    RecordingEngine engine;
};

const std::vector<std::string> kDefaultCalls = {"attach", "hsv 0 0 0", "menu 0", "aero 1",
                                                "glass 0 0 0 0 0 0 0 0 0"};

TEST_F(Installer, NoSettingsWritesLibraryAndSkinTwoAndAttaches) {
    state.SkinModuleName = "old name";
    install();
    EXPECT_EQ(state.SkinModuleName, qv::texts::kSkinModuleName);
    EXPECT_EQ(test::readBytes(library()), m_library);
    EXPECT_EQ(test::readText(skinFile()), skinText(2));
    EXPECT_EQ(engine.calls, kDefaultCalls);
    // SkinID twice by the installer, once more by the settings
    EXPECT_EQ(std::vector<std::string>(settings.reads.begin(), settings.reads.begin() + 3),
              (std::vector<std::string>{"SkinID", "SkinID", "SkinID"}));
}

class InstallerBySkinId : public Installer, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(InstallerBySkinId, BelowOneWritesNothingAndCallsNothing) {
    settings.numbers["SkinID"] = GetParam();
    install();
    EXPECT_FALSE(fs::exists(root));
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_EQ(settings.reads, std::vector<std::string>{"SkinID"});
}
INSTANTIATE_TEST_SUITE_P(Ids, InstallerBySkinId, ::testing::Values(0, -1, INT32_MIN));

TEST_F(Installer, EverySkinFromOneTo29IsWrittenExactly) {
    test::writeBytes(skinFile(), test::bytesOf(std::string(100, 'o')));  // longer: must be truncated
    for (std::int32_t id = 1; id <= kSkinCount; ++id) {
        settings.numbers["SkinID"] = id;
        install();
        ASSERT_EQ(test::readText(skinFile()), skinText(id)) << id;
    }
}

class InstallerEmptySkin : public Installer, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(InstallerEmptySkin, LeavesAnEmptyFileAndStillAttaches) {
    test::writeBytes(skinFile(), test::bytesOf("previous"));
    settings.numbers["SkinID"] = GetParam();
    install();
    EXPECT_TRUE(fs::exists(skinFile()));
    EXPECT_EQ(fs::file_size(skinFile()), 0u);
    EXPECT_EQ(engine.calls, kDefaultCalls);
}
INSTANTIATE_TEST_SUITE_P(Ids, InstallerEmptySkin, ::testing::Values(30, 52, 74));

class InstallerUnknownSkin : public Installer, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(InstallerUnknownSkin, LeavesTheSkinFileButWritesLibraryAndAttaches) {
    install();  // skin 2 first
    fs::remove(library());
    settings.numbers["SkinID"] = GetParam();
    engine.calls.clear();
    install();
    EXPECT_EQ(test::readText(skinFile()), skinText(2));
    EXPECT_EQ(test::readBytes(library()), m_library);
    EXPECT_EQ(engine.calls, kDefaultCalls);
}
INSTANTIATE_TEST_SUITE_P(Ids, InstallerUnknownSkin, ::testing::Values(75, 1000, INT32_MAX));

TEST_F(Installer, UnknownSkinWithNoSkinFileLeavesItAbsent) {
    settings.numbers["SkinID"] = 75;
    install();
    EXPECT_FALSE(fs::exists(skinFile()));
    EXPECT_TRUE(fs::exists(library()));
}

TEST_F(Installer, SkinIdStoredAsTextReadsAsAbsent) {
    settings.texts["SkinID"] = "5";
    install();
    EXPECT_EQ(test::readText(skinFile()), skinText(2));
}

TEST_F(Installer, ExistingLibraryFileIsNeverReplaced) {
    test::writeBytes(library(), test::bytesOf("someone else's"));
    install();
    EXPECT_EQ(test::readText(library()), "someone else's");
    EXPECT_EQ(test::readText(skinFile()), skinText(2));
    EXPECT_EQ(engine.calls, kDefaultCalls);
}

TEST_F(Installer, ExistingLibraryDirectoryIsLeftAndTheStartGoesOn) {
    fs::create_directories(library() / "keep");
    install();
    EXPECT_TRUE(fs::is_directory(library() / "keep"));
    EXPECT_EQ(engine.calls, kDefaultCalls);
}

TEST_F(Installer, FailedWritesStillAttach) {
    test::writeBytes(root / "WINDOWS", {1});  // a file where the directory should be
    install();
    EXPECT_EQ(engine.calls, kDefaultCalls);
}

struct SettingsCase {
    const char* what;
    friend void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.what; }
    std::map<std::string, std::int32_t> numbers;
    std::vector<std::string> calls;
    std::vector<std::string> reads;  // after the three SkinID reads
};

class SettingsApplied : public Installer, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(SettingsApplied, MakeTheCallsInOrder) {
    settings.numbers = GetParam().numbers;
    install();
    EXPECT_EQ(engine.calls, GetParam().calls);
    EXPECT_EQ(std::vector<std::string>(settings.reads.begin() + 3, settings.reads.end()), GetParam().reads);
}

const std::vector<std::string> kAllReads = {"SDID",  "BHDID", "LDID",  "CDTMID", "Aero\xcc\xd8\xd0\xa7", "Aero1",
                                            "Aero2", "Aero3", "Aero4", "Aero5",  "Aero6",                "Aero7"};
const std::vector<std::string> kReadsWithoutGlass(kAllReads.begin(), kAllReads.begin() + 5);

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsApplied,
    ::testing::Values(
        SettingsCase{"none", {}, kDefaultCalls, kAllReads},
        SettingsCase{"glass off", {{"Aero\xcc\xd8\xd0\xa7", 0}}, {"attach", "hsv 0 0 0", "menu 0"}, kReadsWithoutGlass},
        SettingsCase{"glass two", {{"Aero\xcc\xd8\xd0\xa7", 2}}, {"attach", "hsv 0 0 0", "menu 0"}, kReadsWithoutGlass},
        SettingsCase{"glass values 1 and 5",
                     {{"Aero1", 10}, {"Aero5", 50}},
                     {"attach", "hsv 0 0 0", "menu 0", "aero 1", "glass 10 0 0 0 0 0 50 0 0"},
                     kAllReads},
        SettingsCase{"every glass value",
                     {{"Aero1", 1}, {"Aero2", 2}, {"Aero3", 3}, {"Aero4", 4}, {"Aero5", 5}, {"Aero6", 6}, {"Aero7", 7}},
                     {"attach", "hsv 0 0 0", "menu 0", "aero 1", "glass 1 2 3 4 0 0 5 6 7"},
                     kAllReads},
        SettingsCase{"negative colours pass unchanged",
                     {{"SDID", -20}, {"BHDID", 30}, {"LDID", 5}, {"CDTMID", -7}},
                     {"attach", "hsv -20 30 5", "menu -7", "aero 1", "glass 0 0 0 0 0 0 0 0 0"},
                     kAllReads}),
    [](const auto& p) {
        std::string name = p.param.what;
        for (auto& c : name) if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST(SkinSettingPath, JoinsRootModuleAndValueName) {
    EXPECT_EQ(SkinSettingPath(qv::texts::kSkinModuleName, "SkinID"),
              "Software\\Microsoft\\VUruvi\\\xc6\xa4\xb7\xf4\xc4\xa3\xbf\xe9\\SkinID");
}

}  // namespace
}  // namespace qv::skin
