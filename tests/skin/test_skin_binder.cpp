#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>

#include <cstdio>
#include <optional>

#include "core/application.h"
#include "core/texts.h"
#include "platform/libraries.h"
#include "skin/binder.h"
#include "skin/skin_engine.h"
#include "skin/skin_installer.h"
#include "skin/skin_texts.h"
#include "skin_test_support.h"

namespace qv::skin {
namespace {

namespace fs = std::filesystem;

/// The real libraries, with the program's directory put where a test wants.
class RelocatedLibraries final : public platform::Libraries {
public:
    RelocatedLibraries(std::string driveRoot, Text programDirectory)
        : m_real(platform::makeLibraries(std::move(driveRoot))), m_programDirectory(std::move(programDirectory)) {}
    platform::ModuleHandle loadLibrary(TextView name) override {
        loads.emplace_back(name);
        return m_real->loadLibrary(name);
    }
    platform::ModuleHandle standardLibraries() override { return m_real->standardLibraries(); }
    void* findFunction(platform::ModuleHandle m, TextView name) override { return m_real->findFunction(m, name); }
    void releaseLibrary(platform::ModuleHandle m) override {
        ++releases;
        m_real->releaseLibrary(m);
    }
    Text programDirectory() const override { return m_programDirectory; }

    std::vector<Text> loads;
    int releases = 0;

private:
    std::unique_ptr<platform::Libraries> m_real;
    Text m_programDirectory;
};

std::string directoryOf(const void* address) {
    Dl_info info{};
    if (!::dladdr(address, &info) || !info.dli_fname) return {};
    return fs::path(info.dli_fname).parent_path().string();
}

/// The setting of the test: a drive, a program directory, the call log.
class Binder : public ::testing::Test {
protected:
    Binder() {
        fs::create_directories(programDir);
        ::setenv("QV_RECORDING_LOG", log.c_str(), 1);
    }
    ~Binder() override { ::unsetenv("QV_RECORDING_LOG"); }

    void installEngine(const char* built, const fs::path& directory) {
        fs::create_directories(directory);
        fs::copy_file(built, directory / "JiaH.dll", fs::copy_options::overwrite_existing);
    }
    fs::path systemDir() const { return root / "WINDOWS" / "system32"; }

    std::vector<std::string> calls() const {
        std::vector<std::string> lines;
        std::string text = test::readText(log), line;
        for (char c : text) {
            if (c != '\n') { line += c; continue; }
            lines.push_back(line);
            line.clear();
        }
        return lines;
    }

    RelocatedLibraries& libraries() {
        if (!m_libraries) m_libraries.emplace(root.string(), programDir.string());
        return *m_libraries;
    }

    ExternalFunctionBinder makeBinder() {
        return ExternalFunctionBinder(
            libraries(), [this](const Text& message) { fatalMessages.push_back(message); },
            [this](std::function<void()> release) { releases.push_back(std::move(release)); });
    }

    void releaseAll() {
        for (auto& r : releases) r();
        releases.clear();
    }

    test::TempDir dir;
    fs::path root = dir / "drive_c";
    fs::path programDir = dir / "program";
    fs::path log = dir / "calls.log";
    std::vector<Text> fatalMessages;
    std::vector<std::function<void()>> releases;
    std::optional<RelocatedLibraries> m_libraries;
};

TEST_F(Binder, TableListsTheTenFunctionsUnbound) {
    const FunctionTable table = makeFunctionTable();
    EXPECT_EQ(table[0].library, "psapi.dll");
    EXPECT_EQ(table[0].function, "EnumProcesses");
    for (std::size_t i = 1; i < 5; ++i) EXPECT_TRUE(table[i].library.empty()) << i;
    EXPECT_EQ(table[4].function, "CloseHandle");
    for (std::size_t i = 5; i < 10; ++i) EXPECT_EQ(table[i].library, "JiaH.dll") << i;
    EXPECT_EQ(table[9].function, "SkinH_AdjustAero");
    for (const auto& entry : table) EXPECT_FALSE(entry.address || entry.module);
}

TEST_F(Binder, EachEntryBindsOnceAndIsReleasedOnce) {
    installEngine(QV_RECORDING_ENGINE, systemDir());
    auto binder = makeBinder();
    BoundSkinEngine engine(binder);
    engine.attach();
    engine.attach();
    engine.setMenuAlpha(4);
    EXPECT_EQ(calls(), (std::vector<std::string>{"SkinH_Attach()", "SkinH_Attach()", "SkinH_SetMenuAlpha(4)"}));
    EXPECT_TRUE(binder.entry(ExternalId::SkinH_Attach).module);
    EXPECT_FALSE(binder.entry(ExternalId::SkinH_AdjustHSV).address);
    ASSERT_EQ(releases.size(), 2u);  // one per bound entry
    releaseAll();
    EXPECT_EQ(libraries().releases, 2);
    EXPECT_TRUE(fatalMessages.empty());
}

TEST_F(Binder, ProgramDirectoryComesBeforeTheSystemDirectory) {
    installEngine(QV_RECORDING_ENGINE, systemDir());
    installEngine(QV_RECORDING_ENGINE, programDir);
    auto binder = makeBinder();
    const void* attach = binder.address(ExternalId::SkinH_Attach);
    EXPECT_EQ(directoryOf(attach), programDir.string());
    ASSERT_FALSE(libraries().loads.empty());
    EXPECT_EQ(libraries().loads.front(), programDir.string() + "\\JiaH.dll");
    releaseAll();
}

TEST_F(Binder, BareNameFindsTheMappedSystemDirectory) {
    installEngine(QV_RECORDING_ENGINE, systemDir());
    auto binder = makeBinder();
    EXPECT_EQ(directoryOf(binder.address(ExternalId::SkinH_Attach)), systemDir().string());
    EXPECT_EQ(libraries().loads,
              (std::vector<Text>{programDir.string() + "\\JiaH.dll", "JiaH.dll"}));
    releaseAll();
}

TEST_F(Binder, FirstModuleThatLoadsIsTheOnlyOneAsked) {
    installEngine(QV_RECORDING_PARTIAL_ENGINE, programDir);  // lacks the glass calls
    installEngine(QV_RECORDING_ENGINE, systemDir());
    auto binder = makeBinder();
    EXPECT_EQ(binder.address(ExternalId::SkinH_SetAero), nullptr);
    ASSERT_EQ(fatalMessages.size(), 1u);
    EXPECT_EQ(fatalMessages[0], bindingFailureMessage("JiaH.dll", "SkinH_SetAero"));
    EXPECT_EQ(libraries().loads.size(), 1u);
    EXPECT_EQ(libraries().releases, 1);  // the module that lacked it goes back
    EXPECT_TRUE(releases.empty());
}

TEST_F(Binder, NameWithDriveIsLoadedAsGiven) {
    installEngine(QV_RECORDING_ENGINE, root / "Tools");
    installEngine(QV_RECORDING_ENGINE, programDir);
    platform::ModuleHandle module = libraries().loadLibrary("C:\\tools\\JiaH.dll");
    ASSERT_TRUE(module);
    EXPECT_EQ(directoryOf(libraries().findFunction(module, "SkinH_Attach")), (root / "Tools").string());
    libraries().releaseLibrary(module);
}

TEST_F(Binder, BareNameWithABackslashInsideAGbkCharacterIsStillBare) {
    installEngine(QV_RECORDING_ENGINE, systemDir());
    fs::rename(systemDir() / "JiaH.dll", systemDir() / "\xe4\xb9\x97.dll");  // "乗.dll"; GBK 81 5C
    platform::ModuleHandle module = libraries().loadLibrary("\x81\x5c.dll");
    ASSERT_TRUE(module);
    libraries().releaseLibrary(module);
}

TEST_F(Binder, MessageNamesLibraryAndFunction) {
    const Text message = bindingFailureMessage("JiaH.dll", "SkinH_Attach");
    EXPECT_NE(message.find("JiaH.dll"), Text::npos);
    EXPECT_NE(message.find("SkinH_Attach"), Text::npos);
    EXPECT_NE(bindingFailureMessage("", "OpenProcess").find("OpenProcess"), Text::npos);
}

// The installer with the recording engine as the carried library: written
// into the mapped system directory, then found there by the binder.
class BoundInstall : public Binder {
protected:
    void install(std::map<std::string, std::int32_t> numbers) {
        const auto library = test::readBytes(QV_RECORDING_ENGINE);
        std::array<Bytes, kSkinCount> skins{};
        TablePayloads payloads(library, skins);
        auto files = platform::makeFileSystem(root.string());
        auto binder = makeBinder();
        BoundSkinEngine engine(binder);
        SharedState state;
        RegistryNumberReader reader = [&](std::int32_t, TextView path, std::int32_t fallback) {
            const std::string name(path.substr(path.rfind('\\') + 1));
            return numbers.count(name) ? numbers[name] : fallback;
        };
        SkinServices services{state, reader, *files, payloads, engine};
        InstallSkin(qv::texts::kSkinModuleName, services);
        EXPECT_TRUE(fatalMessages.empty());
        releaseAll();
    }
};

struct SequenceCase {
    const char* what;
    friend void PrintTo(const SequenceCase& c, std::ostream* os) { *os << c.what; }
    std::map<std::string, std::int32_t> numbers;
    std::vector<std::string> calls;
};

class EngineCallSequence : public BoundInstall, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(EngineCallSequence, IsExactlyAsExpected) {
    install(GetParam().numbers);
    EXPECT_EQ(calls(), GetParam().calls);
}

const std::string kGlassSwitch = "Aero\xcc\xd8\xd0\xa7";

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineCallSequence,
    ::testing::Values(
        SequenceCase{"no settings", {},
                     {"SkinH_Attach()", "SkinH_AdjustHSV(0, 0, 0)", "SkinH_SetMenuAlpha(0)", "SkinH_SetAero(1)",
                      "SkinH_AdjustAero(0, 0, 0, 0, 0, 0, 0, 0, 0)"}},
        SequenceCase{"glass 0", {{kGlassSwitch, 0}},
                     {"SkinH_Attach()", "SkinH_AdjustHSV(0, 0, 0)", "SkinH_SetMenuAlpha(0)"}},
        SequenceCase{"glass 2", {{kGlassSwitch, 2}},
                     {"SkinH_Attach()", "SkinH_AdjustHSV(0, 0, 0)", "SkinH_SetMenuAlpha(0)"}},
        SequenceCase{"Aero1 10 and Aero5 50", {{"Aero1", 10}, {"Aero5", 50}},
                     {"SkinH_Attach()", "SkinH_AdjustHSV(0, 0, 0)", "SkinH_SetMenuAlpha(0)", "SkinH_SetAero(1)",
                      "SkinH_AdjustAero(10, 0, 0, 0, 0, 0, 50, 0, 0)"}},
        SequenceCase{"negative colours", {{"SDID", -20}, {"BHDID", 30}, {"LDID", 5}},
                     {"SkinH_Attach()", "SkinH_AdjustHSV(-20, 30, 5)", "SkinH_SetMenuAlpha(0)", "SkinH_SetAero(1)",
                      "SkinH_AdjustAero(0, 0, 0, 0, 0, 0, 0, 0, 0)"}},
        SequenceCase{"skin 0", {{"SkinID", 0}}, {}}),
    [](const auto& p) {
        std::string name = p.param.what;
        for (auto& c : name) if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST_F(BoundInstall, SkinBelowOneNeverLoadsTheEngine) {
    install({{"SkinID", -3}});
    EXPECT_TRUE(libraries().loads.empty());
    EXPECT_FALSE(fs::exists(root));
}

// The fatal end in a child process: a real Application whose framework
// prints the box to stderr and ends the process with the code it is given.
class ExitingFramework final : public Framework {
public:
    void initialise() override {}
    void loadMainWindow() override {}
    void runEventLoop() override {}
    void requestQuit() override {}
    void showFatalError(const Text& message) override {
        std::fprintf(stderr, "fatal box: %s\n", message.c_str());
    }
    [[noreturn]] void exitProcess(int code) override { std::_Exit(code); }
};

void attachWithApplication(const std::string& driveRoot, const std::string& programDir,
                           std::vector<std::int32_t> hsv) {
    ExitingFramework framework;
    SharedState state;
    Application application(framework, state);
    RelocatedLibraries libraries(driveRoot, programDir);
    ExternalFunctionBinder binder(
        libraries, [&](const Text& m) { application.fatal(m); },
        [&](std::function<void()> r) { application.addLibraryRelease(std::move(r)); });
    BoundSkinEngine engine(binder);
    engine.attach();
    engine.adjustHsv(hsv[0], hsv[1], hsv[2]);
    engine.setMenuAlpha(0);
    engine.setAero(1);
    std::_Exit(0);
}

using BinderDeathTest = Binder;

TEST_F(BinderDeathTest, NoEngineAnywhereEndsAtAttachWithMinusOne) {
    EXPECT_EXIT(attachWithApplication(root.string(), programDir.string(), {1, 2, 3}),
                ::testing::ExitedWithCode(255), "fatal box: .*JiaH\\.dll.*SkinH_Attach");
    EXPECT_TRUE(calls().empty());
}

TEST_F(BinderDeathTest, EngineLackingAFunctionEndsThereAfterTheEarlierCalls) {
    installEngine(QV_RECORDING_PARTIAL_ENGINE, systemDir());
    EXPECT_EXIT(attachWithApplication(root.string(), programDir.string(), {1, 2, 3}),
                ::testing::ExitedWithCode(255), "fatal box: .*JiaH\\.dll.*SkinH_SetAero");
    EXPECT_EQ(calls(), (std::vector<std::string>{"SkinH_Attach()", "SkinH_AdjustHSV(1, 2, 3)",
                                                  "SkinH_SetMenuAlpha(0)"}));
}

#ifdef QV_REAL_ENGINE
// Without a QApplication every call of the real engine does nothing.
TEST_F(Binder, RealEngineWithoutApplicationIsHarmless) {
    installEngine(QV_REAL_ENGINE, systemDir());
    test::writeBytes(systemDir() / "skinh.she", test::bytesOf(".SHE garbage"));
    auto binder = makeBinder();
    BoundSkinEngine engine(binder);
    engine.attach();
    engine.adjustHsv(-500, 500, INT32_MIN);
    engine.setMenuAlpha(INT32_MAX);
    engine.setAero(1);
    engine.adjustAero({INT32_MIN, INT32_MAX, 1, 2, 3, 4, 5, 6, 7});
    EXPECT_TRUE(fatalMessages.empty());
    releaseAll();
}
#endif

}  // namespace
}  // namespace qv::skin
