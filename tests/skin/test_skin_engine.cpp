// Our engine loaded into a real Qt program (offscreen): installed into a
// temporary drive by the real installer, bound by the real binder, and seen
// on a window of the same kinds of controls as the main window.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include <map>

#include "core/texts.h"
#include "platform/files.h"
#include "platform/libraries.h"
#include "skin/format/colour.h"
#include "skin/format/skin_file.h"
#include "skin/skin_installer.h"
#include "skin/skin_texts.h"
#include "skin_test_support.h"
#include "ui/qt/main_window.h"

namespace qv::skin {
namespace {

namespace fs = std::filesystem;

QApplication& application() { return *qobject_cast<QApplication*>(QCoreApplication::instance()); }

/// A window of the main window's kinds of controls.
class StandInWindow final : public QWidget {
public:
    StandInWindow() {
        setFixedSize(458, 256);
        auto* group = new QGroupBox("Memory", this);
        group->setGeometry(10, 10, 280, 170);
        auto* layout = new QVBoxLayout(group);
        layout->addWidget(new QLabel("Physical memory: 2047  M", group));
        layout->addWidget(new QLineEdit("5", group));
        auto* interval = new QRadioButton("Interval", group);
        interval->setChecked(true);
        layout->addWidget(interval);
        layout->addWidget(new QRadioButton("Threshold", group));
        layout->addWidget(new QCheckBox("Autostart", group));
        auto* button = new QPushButton("Contact", this);
        button->setGeometry(310, 20, 120, 30);
        auto* label = new QLabel("Status line", this);
        label->setGeometry(10, 200, 300, 20);
    }
};

/// One drive, one engine for the whole run: the engine stays loaded once
/// bound, and each test installs again with its own settings.
struct Installation {
    test::TempDir dir;
    fs::path root = dir / "drive_c";
    std::unique_ptr<platform::FileSystem> files = platform::makeFileSystem(root.string());
    std::unique_ptr<platform::Libraries> libraries = platform::makeLibraries(root.string());
    std::vector<Text> fatalMessages;
    ExternalFunctionBinder binder{*libraries, [this](const Text& m) { fatalMessages.push_back(m); }, {}};
    BoundSkinEngine engine{binder};
    SharedState state;
    std::map<std::string, std::int32_t> settings;
    QPalette plainPalette = QApplication::palette();
    QString plainStyle = application().style()->name();

    void install(std::map<std::string, std::int32_t> values) {
        settings = std::move(values);
        RegistryNumberReader reader = [this](std::int32_t, TextView path, std::int32_t fallback) {
            const auto it = settings.find(std::string(path.substr(path.rfind('\\') + 1)));
            return it == settings.end() ? fallback : it->second;
        };
        SkinServices services{state, reader, *files, BuiltInSkinPayloads(), engine};
        InstallSkin(qv::texts::kSkinModuleName, services);
        QApplication::processEvents();
    }
    fs::path skinFile() const { return root / "WINDOWS" / "system32" / "skinh.she"; }
};

Installation* g_installation = nullptr;

Installation& installation() { return *g_installation; }

SkinFile builtInSkin(std::int32_t id) { return *parseSkinFile(*BuiltInSkinPayloads().skinFile(id)); }

QColor colourOf(const SkinFile& skin, ColourRole role, const ColourTransform& t = {}) {
    const Rgba c = t.apply(*skin.palette[static_cast<std::size_t>(role)]);
    return QColor(c.r, c.g, c.b);
}

QImage screenshot(QWidget& window, const std::string& name) {
    window.show();
    QApplication::processEvents();
    QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    fs::create_directories(QV_SCREENSHOT_DIR);
    image.save(QString::fromStdString(std::string(QV_SCREENSHOT_DIR) + "/" + name + ".png"));
    return image;
}

double differingShare(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 1.0;
    long differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) differing += a.pixel(x, y) != b.pixel(x, y);
    }
    return static_cast<double>(differing) / (a.width() * a.height());
}

// A spot of bare window face: no control covers it.
QPoint bareSpot(const QWidget& window) {
    for (int y = window.height() - 3; y > 0; y -= 3) {
        for (int x = window.width() - 3; x > 0; x -= 3) {
            if (!window.childAt(x, y)) return {x, y};
        }
    }
    return {0, 0};
}

/// The engine in a program that has a window, made or not yet shown: the
/// look is applied as soon as it is asked for.
class RealEngine : public ::testing::Test {
protected:
    Installation& inst = installation();
    QWidget programWindow;
    void TearDown() override { EXPECT_TRUE(inst.fatalMessages.empty()); }
};

// First in the file: the engine stays loaded for the whole run, and it keeps
// the look back only until the first window needs it.
TEST(EngineBeforeAnyWindow, KeepsTheLookUntilTheFirstWidgetOfAWindowIsPolished) {
    Installation& inst = installation();
    ASSERT_TRUE(QApplication::topLevelWidgets().isEmpty()) << "must run before windows are made";
    QWidget trayIcon;  // what the toolkit's tray icon is made of
    trayIcon.setObjectName(QStringLiteral("QSystemTrayIconSys"));
    inst.install({{"SkinID", 29}});
    trayIcon.show();
    QApplication::processEvents();
    EXPECT_TRUE(application().styleSheet().isEmpty()) << "a tray icon alone needs no look";
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), inst.plainPalette.color(QPalette::Window));

    QMenu menu;  // the tray's menu is often the first window
    menu.addAction("Show");
    menu.ensurePolished();
    EXPECT_FALSE(application().styleSheet().isEmpty());
    EXPECT_EQ(QApplication::palette().color(QPalette::Window),
              colourOf(builtInSkin(29), ColourRole::Window));
    EXPECT_STREQ(menu.style()->metaObject()->className(), "QStyleSheetStyle")
        << "the first widget is polished by the skinned style itself";

    StandInWindow window;
    const QImage shot = screenshot(window, "first_window_skin_29");
    EXPECT_EQ(QColor(shot.pixel(bareSpot(window))), colourOf(builtInSkin(29), ColourRole::Window));
    EXPECT_TRUE(inst.fatalMessages.empty());
    inst.install({{"SkinID", 40}});  // the plain look again, for the tests after this one
}

TEST_F(RealEngine, SkinsOneTwoAnd29LookDifferentAndUseTheirPalette) {
    MainWindow window{TaskbarPresence::Listed};
    const QImage plain = screenshot(window, "plain");
    std::map<int, QImage> shots;
    for (int id : {1, 2, 29}) {
        inst.install({{"SkinID", id}});
        shots[id] = screenshot(window, "skin_" + std::to_string(id));
        EXPECT_EQ(QColor(shots[id].pixel(bareSpot(window))), colourOf(builtInSkin(id), ColourRole::Window)) << id;
        EXPECT_EQ(QApplication::palette().color(QPalette::Highlight),
                  colourOf(builtInSkin(id), ColourRole::Highlight)) << id;
        EXPECT_GT(differingShare(plain, shots[id]), 0.3) << id;
    }
    EXPECT_GT(differingShare(shots[1], shots[2]), 0.3);
    EXPECT_GT(differingShare(shots[1], shots[29]), 0.3);
    EXPECT_GT(differingShare(shots[2], shots[29]), 0.3);
}

TEST_F(RealEngine, HueShiftTurnsPaletteAndStyleSheet) {
    inst.install({{"SkinID", 3}, {"SDID", 120}, {"BHDID", 20}, {"LDID", -10}});
    ColourTransform t;
    t.shift = HsvShift{120, 20, -10};
    const SkinFile skin = builtInSkin(3);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), colourOf(skin, ColourRole::Window, t));
    EXPECT_EQ(application().styleSheet().toStdString(), transformStyleSheet(skin.styleSheet, t));
    inst.install({{"SkinID", 3}});
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), colourOf(skin, ColourRole::Window));
}

struct OpacityCase {
    const char* what;
    std::map<std::string, std::int32_t> settings;
    double menuOpacity;
    double windowOpacity;
    friend void PrintTo(const OpacityCase& c, std::ostream* os) { *os << c.what; }
};

class MenuAndGlass : public RealEngine, public ::testing::WithParamInterface<OpacityCase> {};

TEST_P(MenuAndGlass, GiveWindowsAndMenusTheirOpacity) {
    StandInWindow window;
    window.show();
    inst.install(GetParam().settings);
    QMenu menu;
    menu.addAction("Show");
    menu.popup(QPoint(0, 0));
    QApplication::processEvents();
    EXPECT_NEAR(menu.windowOpacity(), GetParam().menuOpacity, 0.01);
    EXPECT_NEAR(window.windowOpacity(), GetParam().windowOpacity, 0.01);
    StandInWindow later;  // windows that appear later get it too
    later.show();
    QApplication::processEvents();
    EXPECT_NEAR(later.windowOpacity(), GetParam().windowOpacity, 0.01);
    menu.hide();
}

const std::string kGlass = "Aero\xcc\xd8\xd0\xa7";

INSTANTIATE_TEST_SUITE_P(
    Cases, MenuAndGlass,
    ::testing::Values(OpacityCase{"defaults", {}, 1.0, 1.0},
                      OpacityCase{"menu 40", {{"CDTMID", 40}}, 0.6, 1.0},
                      OpacityCase{"menu clamped", {{"CDTMID", 500}}, 0.1, 1.0},
                      OpacityCase{"glass 30", {{"Aero1", 30}}, 1.0, 0.7},
                      OpacityCase{"glass clamped, menus too", {{"Aero1", 99}, {"Aero5", 1}}, 0.2, 0.2},
                      OpacityCase{"glass switched off", {{kGlass, 0}, {"Aero1", 30}}, 1.0, 1.0}),
    [](const auto& p) {
        std::string name = p.param.what;
        for (auto& c : name) if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST_F(RealEngine, GlassTintMovesColoursTowardsItsHue) {
    inst.install({{"SkinID", 26}, {"Aero2", 240}, {"Aero3", 50}});
    ColourTransform t;
    t.tint = hueColour(240);
    t.tintPercent = 50;
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), colourOf(builtInSkin(26), ColourRole::Window, t));
}

struct HostileCase {
    const char* what;
    std::function<void(const fs::path&)> make;
    friend void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.what; }
};

class HostileSkinFile : public RealEngine, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileSkinFile, FallsBackToThePlainLook) {
    fs::remove_all(inst.skinFile());
    inst.install({{"SkinID", 7}});
    ASSERT_FALSE(application().styleSheet().isEmpty());
    fs::remove_all(inst.skinFile());
    GetParam().make(inst.skinFile());
    inst.engine.attach();
    EXPECT_TRUE(application().styleSheet().isEmpty());
    EXPECT_EQ(application().style()->name(), inst.plainStyle);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), inst.plainPalette.color(QPalette::Window));
    StandInWindow window;
    screenshot(window, "hostile");  // paints without a fault
}

std::vector<std::uint8_t> skinBytes(std::int32_t id) {
    const auto bytes = *BuiltInSkinPayloads().skinFile(id);
    return {bytes.begin(), bytes.end()};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileSkinFile,
    ::testing::Values(
        HostileCase{"missing", [](const fs::path&) {}},
        HostileCase{"empty", [](const fs::path& p) { test::writeBytes(p, {}); }},
        HostileCase{"truncated", [](const fs::path& p) {
            auto b = skinBytes(5);
            b.resize(b.size() / 2);
            test::writeBytes(p, b);
        }},
        HostileCase{"huge section length", [](const fs::path& p) {
            auto b = skinBytes(5);
            for (int i = 12; i < 16; ++i) b[i] = 0xff;
            test::writeBytes(p, b);
        }},
        HostileCase{"random bytes after the magic", [](const fs::path& p) {
            auto b = test::bytesOf(".SHE");
            for (int i = 0; i < 4096; ++i) b.push_back(static_cast<std::uint8_t>(i * 7919 >> 3));
            test::writeBytes(p, b);
        }},
        HostileCase{"a directory", [](const fs::path& p) { fs::create_directories(p); }},
        HostileCase{"a pipe nobody writes", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }}),
    [](const auto& p) {
        std::string name = p.param.what;
        for (auto& c : name) if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST_F(RealEngine, EmptySkinIdsThirtyTo74GiveThePlainLook) {
    inst.install({{"SkinID", 40}});
    EXPECT_EQ(fs::file_size(inst.skinFile()), 0u);
    EXPECT_TRUE(application().styleSheet().isEmpty());
}

}  // namespace
}  // namespace qv::skin

// The application outlives every test and the installation, and goes before
// the toolkit's own statics.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Windows"));  // as the window program starts
    ::testing::InitGoogleTest(&argc, argv);
    qv::skin::Installation installation;
    qv::skin::g_installation = &installation;
    const int result = RUN_ALL_TESTS();
    qv::skin::g_installation = nullptr;
    return result;
}
