#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/codec.h"
#include "ui/deferred_window.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_shell.h"
#include "ui/qt/qt_timer.h"
#include "ui/qt/window_program.h"

namespace qv {
namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "test_ui_widgets";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit it would outlive the toolkit's own statics.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

QString utf8(const char* text) { return QString::fromUtf8(text); }

MainWindow::Events onlyEvent(std::function<void()> MainWindow::Events::*member,
                             std::function<void()> handler) {
    MainWindow::Events events;
    events.*member = std::move(handler);
    return events;
}

std::string shownText(const LabelControl& label) { return platform::gbkToUtf8(label.caption()); }

/// Makes sure the application object exists before any widget member.
struct WithApplication {
    WithApplication() { application(); }
};

struct WindowFixture : ::testing::Test {
    WithApplication app;

    template <class T>
    T& widget(const char* formName) {
        T* found = dynamic_cast<T*>(window.control(formName));
        EXPECT_NE(found, nullptr) << formName;
        return *found;
    }

    MainWindowControls controls() { return window.controls({trimTimer, refreshTimer, watchTimer}); }

    Timer trimTimer{std::make_unique<QtTimerBackend>(), kTrimTimerTemplatePeriod};
    Timer refreshTimer{std::make_unique<QtTimerBackend>(), kRefreshTimerTemplatePeriod};
    Timer watchTimer{std::make_unique<QtTimerBackend>(), kWatchTimerTemplatePeriod};
    MainWindow window{TaskbarPresence::Listed};
};

TEST_F(WindowFixture, EveryControlSitsInItsContainerAtItsPlace) {
    struct Case {
        const char* name;
        const char* container;
        QRect place;
    };
    const Case cases[] = {
        {"分组框3", "MainWindow", {2, 3, 216, 192}},
        {"标签1", "分组框3", {6, 15, 92, 16}},
        {"标签2", "分组框3", {109, 15, 92, 16}},
        {"CPU占用图", "分组框3", {6, 34, 100, 150}},
        {"内存占用图", "分组框3", {109, 34, 100, 150}},
        {"分组框1", "MainWindow", {221, 3, 136, 129}},
        {"标签12", "分组框1", {4, 13, 67, 20}},
        {"标签13", "分组框1", {76, 13, 55, 20}},
        {"标签14", "分组框1", {4, 31, 67, 20}},
        {"标签15", "分组框1", {76, 31, 55, 20}},
        {"标签3", "分组框1", {4, 49, 66, 20}},
        {"标签5", "分组框1", {76, 49, 55, 20}},
        {"标签7", "分组框1", {4, 68, 68, 20}},
        {"标签22", "分组框1", {76, 68, 55, 20}},
        {"标签23", "分组框1", {4, 87, 66, 20}},
        {"标签24", "分组框1", {76, 87, 55, 20}},
        {"标签25", "分组框1", {4, 105, 68, 20}},
        {"标签26", "分组框1", {76, 105, 55, 20}},
        {"分组框2", "MainWindow", {221, 133, 136, 62}},
        {"单选框3", "分组框2", {4, 17, 120, 20}},
        {"单选框4", "分组框2", {4, 37, 120, 20}},
        {"分组框4", "MainWindow", {361, 3, 88, 101}},
        {"标签6", "分组框4", {4, 17, 78, 12}},
        {"编辑框1", "分组框4", {3, 33, 24, 20}},
        {"标签8", "分组框4", {31, 33, 52, 20}},
        {"标签9", "分组框4", {4, 57, 78, 12}},
        {"编辑框2", "分组框4", {3, 74, 24, 20}},
        {"透明标签1", "分组框4", {29, 74, 16, 20}},
        {"标签10", "分组框4", {48, 74, 38, 20}},
        {"分组框5", "MainWindow", {361, 105, 88, 90}},
        {"标签11", "分组框5", {3, 13, 80, 72}},
        {"标签4", "MainWindow", {4, 198, 308, 26}},
        {"选择框3", "MainWindow", {319, 198, 70, 26}},
        {"按钮1", "MainWindow", {393, 198, 56, 26}},
    };
    window.show();
    int children = 0;
    for (const Case& c : cases) {
        const QWidget* control = window.findChild<QWidget*>(utf8(c.name));
        ASSERT_NE(control, nullptr) << c.name;
        EXPECT_EQ(control->parentWidget()->objectName(), utf8(c.container)) << c.name;
        EXPECT_EQ(control->geometry(), c.place) << c.name;
        EXPECT_TRUE(control->isVisible()) << c.name;
        EXPECT_TRUE(control->isEnabled()) << c.name;
        ++children;
    }
    EXPECT_EQ(children, 34);
    EXPECT_EQ(window.frameGeometry().size(), QSize(458, 256)) << "no frame offscreen";
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed size";
}

TEST_F(WindowFixture, TitleAndTitleBarButtons) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Quorvel1.0"));
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(window.isVisible()) << "loading does not show the window";
}

TEST_F(WindowFixture, InitialTexts) {
    struct Case {
        const char* name;
        const char* text;
    };
    const Case labels[] = {
        {"标签1", "CPU动态信息："}, {"标签2", "内存动态信息："}, {"标签12", "CPU 占用率："},
        {"标签13", "100%"},         {"标签14", "内存占用率："},   {"标签15", "100%"},
        {"标签3", "总物理内存："},   {"标签5", ""},               {"标签7", "当前使用量："},
        {"标签22", ""},             {"标签23", "总虚拟内存："},   {"标签24", ""},
        {"标签25", "当前使用量："},  {"标签26", ""},              {"标签6", "时间优化间隙："},
        {"标签8", "(分钟)"},        {"标签9", "比例优化指标："},  {"透明标签1", "(%)"},
        {"标签10", "比例"},         {"标签4", "标签"},
        {"标签11",
         "    1、时间间隙不能太小，防影响其它程序的使用；\r\n    2、比例优化是指当内存使用超过设定值时开始优化。"},
    };
    for (const Case& c : labels) {
        EXPECT_EQ(shownText(widget<LabelControl>(c.name)), c.text) << c.name;
    }
    const Case groups[] = {{"分组框3", "动态图表信息"}, {"分组框1", "动态数字信息"},
                           {"分组框2", "优化策略设置"}, {"分组框4", "具体设置"},
                           {"分组框5", "说明"}};
    for (const Case& c : groups) EXPECT_EQ(widget<QGroupBox>(c.name).title(), utf8(c.text)) << c.name;
    const Case buttons[] = {{"单选框3", "时间优化策略"}, {"单选框4", "比例优化策略"},
                            {"选择框3", "自动启动"}, {"按钮1", "联系作者"}};
    for (const Case& c : buttons) {
        EXPECT_EQ(widget<QAbstractButton>(c.name).text(), utf8(c.text)) << c.name;
    }
    MainWindowControls live = controls();
    EXPECT_EQ(live.编辑框1.text(), "5");
    EXPECT_EQ(live.编辑框2.text(), "40");
    EXPECT_FALSE(live.单选框3.checked());
    EXPECT_FALSE(live.单选框4.checked());
    EXPECT_FALSE(live.选择框3.checked());
    EXPECT_FALSE(widget<QPushButton>("按钮1").isDefault());
    EXPECT_EQ(live.时钟1.period(), 0);
    EXPECT_EQ(live.时钟2.period(), 1000);
    EXPECT_TRUE(live.时钟2.running());
    EXPECT_EQ(live.时钟3.period(), 0);
}

TEST_F(WindowFixture, EditBoxesTakeAnyTextAndBlockInputWhenDisabled) {
    MainWindowControls live = controls();
    auto& edit = widget<QLineEdit>("编辑框1");
    window.show();
    edit.setFocus();
    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("ab"));
    EXPECT_EQ(live.编辑框1.text(), "ab");

    live.编辑框1.setDisabled(true);
    EXPECT_TRUE(live.编辑框1.disabled());
    EXPECT_FALSE(edit.isEnabled());
    live.编辑框1.setDisabled(false);
    EXPECT_TRUE(edit.isEnabled());

    live.编辑框2.setText("\xd6\xd0");  // "中" in GBK
    EXPECT_EQ(edit.parentWidget()->findChild<QLineEdit*>(utf8("编辑框2"))->text(), utf8("中"));
    EXPECT_EQ(live.编辑框2.text(), "\xd6\xd0");
}

TEST_F(WindowFixture, CheckedWritesLeaveTheOtherRadioButtonButClicksClearIt) {
    MainWindowControls live = controls();
    window.show();
    live.单选框3.setChecked(true);
    live.单选框4.setChecked(true);
    EXPECT_TRUE(live.单选框3.checked());
    EXPECT_TRUE(live.单选框4.checked());
    live.单选框4.setChecked(false);
    EXPECT_FALSE(live.单选框4.checked()) << "a written button can be cleared";

    QTest::mouseClick(&widget<QWidget>("单选框4"), Qt::LeftButton, {}, QPoint(8, 10));
    EXPECT_TRUE(live.单选框4.checked());
    EXPECT_FALSE(live.单选框3.checked()) << "a click clears the other";
}

TEST_F(WindowFixture, CheckBoxClickToggleBeforeItsHandlerRuns) {
    std::vector<bool> seen;
    MainWindowControls live = controls();
    window.setEvents(onlyEvent(&MainWindow::Events::autostartClicked,
                               [&] { seen.push_back(live.选择框3.checked()); }));
    window.show();
    live.选择框3.setChecked(true);
    EXPECT_TRUE(seen.empty()) << "a write raises no click";
    QTest::mouseClick(&widget<QWidget>("选择框3"), Qt::LeftButton, {}, QPoint(8, 13));
    EXPECT_EQ(seen, std::vector<bool>{false});
}

TEST_F(WindowFixture, ContactButtonRaisesItsClick) {
    int clicks = 0;
    window.setEvents(onlyEvent(&MainWindow::Events::contactClicked, [&] { ++clicks; }));
    window.show();
    QTest::mouseClick(&widget<QWidget>("按钮1"), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

/// The pixels of one label as it paints itself.
QImage paintedLabel(MainWindow& window, const char* name) {
    QWidget* label = window.control(name);
    return label->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST_F(WindowFixture, LabelsPaintTheirColoursAndTheEngravedCopy) {
    struct Case {
        const char* name;
        QColor text;
        bool engraved;
    };
    const Case cases[] = {
        {"标签13", {88, 48, 224}, true},  {"标签15", {88, 48, 224}, true},
        {"标签22", {255, 0, 0}, true},    {"标签26", {255, 0, 0}, true},
        {"标签5", {0, 128, 0}, true},     {"标签24", {0, 128, 0}, true},
        {"标签1", {255, 0, 0}, true},     {"标签2", {255, 128, 0}, true},
        {"标签11", {128, 128, 0}, true},  {"标签6", {0, 0, 0}, true},
        {"标签9", {0, 0, 0}, true},       {"标签4", {144, 0, 255}, false},
        {"标签3", {0, 0, 0}, false},      {"标签10", {0, 0, 0}, false},
    };
    MainWindowControls live = controls();
    for (LabelControl* empty : {&live.标签5, &live.标签22, &live.标签24, &live.标签26})
        empty->setCaption("1536  M");
    window.show();
    const QRgb white = qRgb(255, 255, 255);
    for (const Case& c : cases) {
        const QImage image = paintedLabel(window, c.name);
        const QRgb ink = c.text.rgb();
        int inkPixels = 0, whitePixels = 0, inkWithoutWhiteAbove = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (pixel == white) ++whitePixels;
                if (pixel != ink) continue;
                ++inkPixels;
                if (x == 0 || y == 0) continue;
                const QRgb upLeft = image.pixel(x - 1, y - 1);
                if (upLeft != white && upLeft != ink) ++inkWithoutWhiteAbove;
            }
        }
        EXPECT_GT(inkPixels, 10) << c.name;
        if (c.engraved) {
            EXPECT_GT(whitePixels, 0) << c.name;
            EXPECT_EQ(inkWithoutWhiteAbove, 0) << c.name << ": each coloured pixel has its white copy";
        } else {
            EXPECT_EQ(whitePixels, 0) << c.name;
        }
        const bool framed = std::string(c.name) == "标签1" || std::string(c.name) == "标签2";
        if (!framed) {
            EXPECT_EQ(image.pixel(image.width() - 1, 0), qRgb(240, 240, 240))
                << c.name << ": the background is the button face";
        }
    }
}

TEST_F(WindowFixture, HeadingsHaveABlackFrame) {
    window.show();
    for (const char* name : {"标签1", "标签2"}) {
        const QImage image = paintedLabel(window, name);
        EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0)) << name;
        EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), qRgb(0, 0, 0)) << name;
    }
    const QImage plain = paintedLabel(window, "标签3");
    EXPECT_EQ(plain.pixel(0, 0), qRgb(240, 240, 240));
}

TEST_F(WindowFixture, NoteWrapsFromTheTopOverSeveralLines) {
    window.show();
    const QImage image = paintedLabel(window, "标签11");
    const QRgb ink = qRgb(128, 128, 0);
    std::vector<int> inkRows;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == ink) {
                inkRows.push_back(y);
                break;
            }
        }
    }
    ASSERT_FALSE(inkRows.empty());
    EXPECT_LT(inkRows.front(), 6) << "starts at the top";
    EXPECT_GT(inkRows.back() - inkRows.front(), 40) << "several lines";
}

TEST_F(WindowFixture, CaptionWritesRepaint) {
    window.show();
    MainWindowControls live = controls();
    const QImage before = paintedLabel(window, "标签4");
    live.标签4.setCaption("abc");
    EXPECT_EQ(live.标签4.caption(), "abc");
    EXPECT_NE(paintedLabel(window, "标签4"), before);
}

TEST_F(WindowFixture, AWindowMadeOnFirstShowingStartsAsTheTemplateOrAsTheHandlersLeftIt) {
    std::unique_ptr<MainWindow> made;
    DeferredMainWindow deferred(std::make_unique<QtTimerBackend>(),
                                std::make_unique<QtTimerBackend>(),
                                std::make_unique<QtTimerBackend>(), [&](WindowTimers timers) {
                                    made = std::make_unique<MainWindow>(TaskbarPresence::Listed);
                                    return made->controls(timers);
                                });
    MainWindowControls handlers = deferred.controls();
    handlers.标签22.setCaption("812MB");
    handlers.单选框4.setChecked(true);
    handlers.编辑框2.setDisabled(true);
    handlers.window.setVisible(true);
    ASSERT_TRUE(made);
    EXPECT_TRUE(made->isVisible());

    MainWindowControls fresh = controls();
    MainWindowControls built = made->controls({handlers.时钟1, handlers.时钟2, handlers.时钟3});
    for (const char* name : {"标签13", "标签15", "标签5", "标签24", "标签26", "标签4"}) {
        EXPECT_EQ(dynamic_cast<LabelControl*>(made->control(name))->caption(),
                  dynamic_cast<LabelControl*>(window.control(name))->caption())
            << name;
    }
    EXPECT_EQ(shownText(built.标签22), "812MB");
    EXPECT_EQ(built.编辑框1.text(), fresh.编辑框1.text());
    EXPECT_EQ(built.编辑框2.text(), fresh.编辑框2.text());
    EXPECT_FALSE(built.编辑框1.disabled());
    EXPECT_FALSE(made->control("编辑框2")->isEnabled());
    EXPECT_FALSE(built.单选框3.checked());
    EXPECT_TRUE(built.单选框4.checked());
    EXPECT_FALSE(built.选择框3.checked());
}

TEST_F(WindowFixture, PressesOnBackgroundLabelsAndGroupsDragTheWindow) {
    int moves = 0;
    window.setMoveStarter([&] { ++moves; });
    window.show();
    struct Case {
        const char* name;  // nullptr: the window's own client area
        QPoint at;
        Qt::MouseButton button;
        bool moves;
    };
    const Case cases[] = {
        {nullptr, {200, 240}, Qt::LeftButton, true},
        {"标签3", {10, 10}, Qt::LeftButton, true},
        {"标签4", {100, 10}, Qt::LeftButton, true},
        {"标签11", {40, 60}, Qt::LeftButton, true},
        {"分组框1", {130, 125}, Qt::LeftButton, true},
        {"分组框5", {85, 87}, Qt::LeftButton, true},
        {"标签3", {10, 10}, Qt::RightButton, false},
        {"编辑框1", {5, 5}, Qt::LeftButton, false},
        {"按钮1", {10, 10}, Qt::LeftButton, false},
        {"单选框3", {60, 10}, Qt::LeftButton, false},
        {"选择框3", {40, 13}, Qt::LeftButton, false},
        {"透明标签1", {8, 10}, Qt::LeftButton, false},
        {"CPU占用图", {50, 75}, Qt::LeftButton, false},
        {"内存占用图", {50, 75}, Qt::LeftButton, false},
    };
    for (const Case& c : cases) {
        QWidget* target = c.name ? window.control(c.name) : &window;
        ASSERT_NE(target, nullptr);
        moves = 0;
        QTest::mousePress(target, c.button, {}, c.at);
        QTest::mouseRelease(target, c.button, {}, c.at);
        EXPECT_EQ(moves, c.moves ? 1 : 0) << (c.name ? c.name : "client area");
    }
}

TEST(WindowKeys, OnlyAPlainEscClosesTheWindowWhateverControlHasTheFocus) {
    application();
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* focus;
        bool closes;
    };
    const Case cases[] = {
        {Qt::Key_Escape, Qt::ControlModifier, "编辑框1", false},
        {Qt::Key_Escape, Qt::ShiftModifier, "编辑框1", false},
        {Qt::Key_Escape, Qt::AltModifier, "编辑框1", false},
        {Qt::Key_Return, Qt::NoModifier, "编辑框1", false},
        {Qt::Key_F1, Qt::NoModifier, "按钮1", false},
        {Qt::Key_Escape, Qt::KeypadModifier, "编辑框2", true},
        {Qt::Key_Escape, Qt::NoModifier, "编辑框1", true},
        {Qt::Key_Escape, Qt::NoModifier, "按钮1", true},
        {Qt::Key_Escape, Qt::NoModifier, "单选框3", true},
        {Qt::Key_Escape, Qt::NoModifier, "选择框3", true},
    };
    for (const Case& c : cases) {
        MainWindow window(TaskbarPresence::Listed);
        int closes = 0;
        window.setEvents(onlyEvent(&MainWindow::Events::willBeDestroyed, [&] { ++closes; }));
        window.show();
        QWidget* focus = window.control(c.focus);
        focus->setFocus();
        QTest::keyClick(focus, c.key, c.modifiers);
        EXPECT_EQ(closes, c.closes ? 1 : 0) << c.key << " " << c.modifiers << " in " << c.focus;
        EXPECT_EQ(window.isVisible(), !c.closes) << c.key << " in " << c.focus;
    }
}

TEST_F(WindowFixture, PositionWritesWhileHiddenAreIgnored) {
    window.show();
    window.move(5, 7);
    window.hide();
    for (std::int32_t position : {1, 2, 3}) window.setPosition(position);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    EXPECT_FALSE(window.isMaximized());
    EXPECT_EQ(window.pos(), QPoint(5, 7));
}

TEST_F(WindowFixture, PositionOneRestoresAndCentresOnThePrimaryScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint centre(screen.left() + (screen.width() - 458) / 2,
                        screen.top() + (screen.height() - 256) / 2);
    window.show();
    window.move(5, 7);
    window.setPosition(2);
    EXPECT_EQ(window.position(), 2);
    window.setPosition(1);
    EXPECT_EQ(window.position(), 0);
    EXPECT_EQ(window.frameGeometry().topLeft(), centre);
    window.setPosition(0);
    EXPECT_EQ(window.position(), 0);
}

TEST_F(WindowFixture, MinimisingHidesWhenTheTrayHoldsTheIcon) {
    const VisibilityRules rules(TrayAvailability::Available);
    window.setEvents(
        onlyEvent(&MainWindow::Events::positionChanged, [&] { rules.OnPositionChanged(window); }));
    VisibilityRules::ShowMainWindow(window);
    ASSERT_TRUE(window.isVisible());
    window.setPosition(2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 5000));

    VisibilityRules::ShowMainWindow(window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.position(), 0) << "shown restored";
}

/// The window program with no subsystem wired in, ended by a way of closing
/// the window; a deadline ends a run that never stops.
struct ProgramRun : ::testing::Test {
    WithApplication app;

    int runClosingWith(const std::function<void(MainWindow&)>& close) {
        QTimer::singleShot(0, &application(), [&] {
            loadedVisible = program.window()->isVisible();
            iconWhileRunning = program.trayEntry()->icon().has_value();
            close(*program.window());
        });
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &application(), [] {
            ADD_FAILURE() << "the program did not end";
            QApplication::quit();
        });
        deadline.start(std::chrono::seconds{20});
        return program.run();
    }

    /// Links go nowhere; message boxes are not expected.
    struct RecordingShell final : platform::Shell {
        void showMessageBox(const Text& text, const Text&) override {
            ADD_FAILURE() << "unexpected box: " << text;
        }
        void openUrl(const Text& url) override { urls.push_back(url); }
        std::vector<Text> urls;
    } shell;
    WindowProgram program{application(), shell, [](Wiring&) {}};
    bool loadedVisible = false;
    bool iconWhileRunning = false;
};

TEST_F(ProgramRun, EscInAnEditBoxEndsWithCodeZeroAndRemovesTheIcon) {
    const int code = runClosingWith([](MainWindow& window) {
        QWidget* edit = window.control("编辑框1");
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Escape);
    });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(iconWhileRunning);
    EXPECT_FALSE(program.trayEntry()->icon());
    EXPECT_FALSE(program.window()->isVisible());
}

TEST_F(ProgramRun, TheCloseButtonEndsWithCodeZero) {
    const int code = runClosingWith([](MainWindow& window) { window.close(); });
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(program.trayEntry()->icon());
}

TEST_F(ProgramRun, TheContactButtonOpensTheContactLink) {
    const int code = runClosingWith([](MainWindow& window) {
        QTest::mouseClick(window.control("按钮1"), Qt::LeftButton);
        window.close();
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(shell.urls, std::vector<Text>{contactLink()});
}

TEST_F(ProgramRun, WithoutANotificationAreaTheWindowStartsShownAndStaysWhenMinimised) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "the offscreen desktop has no tray";
    bool visibleAfterMinimise = false;
    const int code = runClosingWith([&](MainWindow& window) {
        window.setPosition(2);
        QCoreApplication::sendPostedEvents();
        visibleAfterMinimise = window.isVisible();
        window.close();
    });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(loadedVisible);
    EXPECT_TRUE(visibleAfterMinimise);
}

TEST(ProgramTrayIcon, IsMadeFromTheBuiltInResource) {
    application();
    const std::vector<std::uint8_t> bytes = programIconBytes();
    EXPECT_EQ(bytes.size(), 7406u);
    const QIcon icon = iconFromResource(bytes);
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));

    QtTray tray;
    TrayEntry entry(tray);
    entry.SetTrayIcon(bytes, "Veldrin_Quorvel1.0");
    EXPECT_EQ(tray.trayIcon().toolTip(), QStringLiteral("Veldrin_Quorvel1.0"));
    EXPECT_FALSE(tray.trayIcon().icon().isNull());
    entry.SetTrayIcon(bytes, "Veldrin_Quorvel1.0");
    EXPECT_EQ(tray.iconCount(), 1u) << "the old icon is released";
    entry.RemoveTrayIcon();
    EXPECT_EQ(tray.iconCount(), 0u);
}

TEST(QtShellMessageBox, IsModalWithOkOnlyAndNoIconWhileTimersKeepTicking) {
    application();
    QtShell shell;
    int ticks = 0;
    QtTimerBackend timer;
    timer.setTickHandler([&] { ++ticks; });
    timer.start(std::chrono::milliseconds{5});

    struct Seen {
        QString text, title;
        QMessageBox::Icon icon = QMessageBox::Information;
        QMessageBox::StandardButtons buttons;
        Qt::WindowModality modality = Qt::NonModal;
    } seen;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || ticks < 3) return;  // ticks while the box is up
        seen = {box->text(), box->windowTitle(), box->icon(), box->standardButtons(),
                box->windowModality()};
        box->button(QMessageBox::Ok)->click();
    });
    watcher.start(std::chrono::milliseconds{5});
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [] {
        ADD_FAILURE() << "the box never showed with ticking timers";
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    deadline.start(std::chrono::seconds{20});

    // "开机自动优化设置成功！" under "信息："
    shell.showMessageBox("\xbf\xaa\xbb\xfa\xd7\xd4\xb6\xaf\xd3\xc5\xbb\xaf\xc9\xe8\xd6\xc3\xb3\xc9\xb9\xa6\xa3\xa1",
                         "\xd0\xc5\xcf\xa2\xa3\xba");
    EXPECT_EQ(seen.text, utf8("开机自动优化设置成功！"));
    EXPECT_EQ(seen.title, utf8("信息："));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(seen.modality, Qt::ApplicationModal);
    EXPECT_GE(ticks, 3);
}

TEST(TrayMouse, QtReasonsMapToActionCodes) {
    struct Case {
        QSystemTrayIcon::ActivationReason reason;
        std::optional<TrayAction> action;
    };
    const Case cases[] = {
        {QSystemTrayIcon::Trigger, TrayAction::LeftClick},
        {QSystemTrayIcon::DoubleClick, TrayAction::DoubleClick},
        {QSystemTrayIcon::Context, TrayAction::RightClick},
        {QSystemTrayIcon::MiddleClick, std::nullopt},
        {QSystemTrayIcon::Unknown, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(trayActionFor(trayMouseFor(c.reason)), c.action);
}

}  // namespace
}  // namespace qv
