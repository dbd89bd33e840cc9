#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFontInfo>
#include <QHelpEvent>
#include <QImage>
#include <QToolTip>

#include <cmath>
#include <limits>

#include "monitor/chart_scale.h"
#include "ui/qt/barchart.h"

namespace qv {
namespace {

// ---- the arithmetic ----

TEST(ChartStepLabels, RoundedSteps) {
    struct Case {
        double max;
        int divisions;
        std::vector<std::int64_t> labels;
    };
    const Case cases[] = {
        {100, 10, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}},
        {3072, 12, {0, 256, 512, 768, 1024, 1280, 1536, 1792, 2048, 2304, 2560, 2816, 3072}},
        {1000, 3, {0, 333, 667, 1000}},
        {10, 4, {0, 3, 5, 8, 10}},
        {50, 0, {0, 50}},  // at least one step
    };
    for (const auto& c : cases) EXPECT_EQ(ChartStepLabels(c.max, c.divisions), c.labels) << c.max;
    EXPECT_EQ(ChartStepLabels(100, 500).size(), 101u) << "at most 100 steps";
}

TEST(ChartBarFraction, ShareOfThePlot) {
    struct Case {
        double value, max, fraction;
    };
    const Case cases[] = {{1536, 3072, 0.5}, {0, 100, 0}, {100, 100, 1}, {4000, 3072, 1}, {0, 0, 1}, {25, 100, 0.25}};
    for (const auto& c : cases) EXPECT_EQ(ChartBarFraction(c.value, c.max), c.fraction) << c.value;
}

TEST(ChartValueText, FixedPointWithTheGivenDecimals) {
    struct Case {
        double value;
        int decimals;
        const char* text;
    };
    const Case cases[] = {{45.0, 0, "45"},       {1536, 0, "1536"},      {4000, 0, "4000"},
                          {45.0, 2, "45.00"},    {0.125, 1, "0.1"},      {-0.0, 0, "0"},
                          {10'000'000, 0, "10000000"}, {3.25, 20, "3.2500000000"}};
    for (const auto& c : cases) EXPECT_EQ(ChartValueText(c.value, c.decimals), c.text) << c.value;
}

TEST(ChartTipText, ReplacesEveryPlaceholder) {
    struct Case {
        const char* tip;
        const char* text;
    };
    const Case cases[] = {{"${v}", "45"}, {"CPU ${v} / ${v}", "CPU 45 / 45"}, {"none", "none"},
                          {"$${v}}", "$45}"}, {"${v", "${v"}, {"", ""}};
    for (const auto& c : cases) EXPECT_EQ(ChartTipText(c.tip, "45"), c.text) << c.tip;
}

// ---- the widget ----

class BarChartWidget : public ::testing::Test {
protected:
    static QImage render(BarChart& chart, const char* name) {
        const QImage image = chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QString dir = QStringLiteral(QUORVEL_ARTIFACTS);
        QDir().mkpath(dir);
        image.save(dir + "/" + name + ".png");
        return image;
    }

    static bool near(QColor a, QColor b, int tolerance = 0) {
        return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
               std::abs(a.blue() - b.blue()) <= tolerance;
    }

    static int countInRow(const QImage& image, int y, int fromX, int toX, QColor color) {
        int count = 0;
        for (int x = fromX; x <= toX; ++x) count += image.pixelColor(x, y) == color;
        return count;
    }

    static int countInRect(const QImage& image, const QRect& area, QColor color, int tolerance) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) count += near(image.pixelColor(x, y), color, tolerance);
        }
        return count;
    }

    BarChart chart;
};

TEST_F(BarChartWidget, DashboardSettings) {
    struct Case {
        BarChartSettings settings;
        double max;
        int divisions;
        QColor series;
        QString name;
    };
    const Case cases[] = {
        {BarChartSettings::processorChart(), 100, 10, QColor(255, 0, 0), QStringLiteral("销售金额")},
        {BarChartSettings::memoryChart(), 3072, 12, QColor(255, 128, 0), QString()},
    };
    for (const auto& c : cases) {
        const auto& s = c.settings;
        EXPECT_EQ(s.maxValue, c.max);
        EXPECT_EQ(s.divisions, c.divisions);
        EXPECT_EQ(s.seriesColor, c.series);
        EXPECT_EQ(s.seriesName, c.name);
        EXPECT_TRUE(s.showBorder);
        EXPECT_EQ(s.borderColor, QColor(128, 0, 128));
        EXPECT_FALSE(s.backColor.isValid());
        EXPECT_TRUE(s.threeD);
        EXPECT_EQ(s.axisColor, QColor(0, 96, 192));
        EXPECT_EQ(s.decimals, 0);
        EXPECT_TRUE(s.showValues);
        EXPECT_EQ(s.tipText, QStringLiteral("${v}"));
        EXPECT_EQ(s.axisFont.pixelSize(), 10);
        EXPECT_TRUE(s.axisFont.bold());
    }
    // 宋体 is a Windows font: a CJK font of this machine must stand in for it
    const QString family = QFontInfo(BarChartSettings::defaultAxisFont()).family();
    EXPECT_TRUE(family.contains("WenQuanYi") || family.contains("SimSun") || family.contains("CJK"))
        << family.toStdString();
}

TEST_F(BarChartWidget, ValueIsClamped) {
    struct Case {
        double written, stored;
        const char* text;
    };
    const Case cases[] = {{45, 45, "45"},
                          {-5, 0, "0"},
                          {std::numeric_limits<double>::quiet_NaN(), 0, "0"},
                          {12'000'000, 10'000'000, "10000000"},
                          {std::numeric_limits<double>::infinity(), 10'000'000, "10000000"}};
    for (const auto& c : cases) {
        chart.setValue(c.written);
        EXPECT_EQ(chart.value(), c.stored) << c.written;
        EXPECT_EQ(chart.valueText().toStdString(), c.text) << c.written;
    }
}

TEST_F(BarChartWidget, SettingsAreKeptInRange) {
    BarChartSettings settings;
    settings.maxValue = 2e7;
    settings.divisions = 0;
    settings.decimals = 30;
    chart.setSettings(settings);
    EXPECT_EQ(chart.settings().maxValue, 10'000'000);
    EXPECT_EQ(chart.settings().divisions, 1);
    EXPECT_EQ(chart.settings().decimals, 10);
}

TEST_F(BarChartWidget, MemoryBarAtHalfHeightWithGridAndBorder) {
    chart.setSettings(BarChartSettings::memoryChart());
    chart.resize(180, 240);
    chart.setValue(1536);
    const QImage image = render(chart, "memory_1536");
    const QRect plot = chart.plotRect();
    const QRect bar = chart.barRect();

    EXPECT_EQ(bar.bottom(), plot.bottom());
    EXPECT_NEAR(bar.height(), plot.height() / 2.0, 1.0);
    const QColor orange(255, 128, 0);
    EXPECT_EQ(image.pixelColor(bar.center().x(), bar.top() + 1), orange);
    EXPECT_EQ(image.pixelColor(bar.center().x(), bar.bottom() - 1), orange);
    EXPECT_NE(image.pixelColor(bar.center().x(), bar.top() - 12), orange) << "nothing above the bar's top";

    const QColor purple(128, 0, 128);
    for (QPoint corner : {QPoint(0, 0), QPoint(179, 0), QPoint(0, 239), QPoint(179, 239), QPoint(90, 0)}) {
        EXPECT_EQ(image.pixelColor(corner), purple) << corner.x() << "," << corner.y();
    }

    // the dotted grid line of the lowest step, left of the bar: dots and gaps
    const int depth = 8;
    const int stepRow = plot.bottom() - static_cast<int>(std::lround((plot.height() - 1) / 12.0)) - depth;
    const int dots = countInRow(image, stepRow, plot.left() + depth + 1, bar.left() - 1, QColor(128, 128, 128));
    EXPECT_GT(dots, 2);
    EXPECT_LT(dots, bar.left() - plot.left() - depth - 1) << "dotted, not solid";

    // the value text in the axis colour above the bar
    const QRect above(bar.left() - depth, bar.top() - depth - 20, bar.width() + 3 * depth, 20);
    EXPECT_GT(countInRect(image, above, QColor(0, 96, 192), 40), 5);
    EXPECT_EQ(chart.tipTextAt(bar.center()), QStringLiteral("1536"));
}

TEST_F(BarChartWidget, ValueAboveTheTopGivesAFullBarWithTheTrueValue) {
    chart.setSettings(BarChartSettings::memoryChart());
    chart.resize(180, 240);
    chart.setValue(4000);
    const QImage image = render(chart, "memory_4000");
    const QRect plot = chart.plotRect();
    const QRect bar = chart.barRect();
    EXPECT_EQ(bar.top(), plot.top());
    EXPECT_EQ(bar.bottom(), plot.bottom());
    EXPECT_EQ(image.pixelColor(bar.center().x(), plot.top() + 1), QColor(255, 128, 0));
    EXPECT_EQ(chart.valueText(), QStringLiteral("4000"));
    const QRect above(bar.left() - 8, bar.top() - 8 - 20, bar.width() + 24, 20);
    EXPECT_GT(countInRect(image, above, QColor(0, 96, 192), 40), 5) << "the value text stays inside";
}

TEST_F(BarChartWidget, ZeroGivesAnEmptyBarAndNoTip) {
    chart.setSettings(BarChartSettings::processorChart());
    chart.resize(180, 240);
    chart.setValue(-1);
    const QImage image = render(chart, "processor_empty");
    EXPECT_EQ(chart.barRect().height(), 0);
    EXPECT_EQ(countInRect(image, chart.plotRect(), QColor(255, 0, 0), 0), 0);
    EXPECT_EQ(chart.valueText(), QStringLiteral("0"));
    EXPECT_TRUE(chart.tipTextAt(chart.plotRect().center()).isEmpty());
}

TEST_F(BarChartWidget, FlatChartHasNoDepthFaces) {
    BarChartSettings settings = BarChartSettings::processorChart();
    settings.threeD = false;
    settings.backColor = QColor(255, 255, 255);
    settings.showBorder = false;
    chart.setSettings(settings);
    chart.resize(180, 240);
    chart.setValue(50);
    const QImage image = render(chart, "processor_flat");
    const QRect bar = chart.barRect();
    const QColor white(255, 255, 255);
    EXPECT_EQ(image.pixelColor(bar.center().x(), bar.center().y()), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(bar.right() + 3, bar.center().y()), white) << "no side face";
    EXPECT_EQ(image.pixelColor(bar.left() + 1, bar.top() - 3), white) << "no top face";
    EXPECT_EQ(image.pixelColor(0, 0), QColor(255, 255, 255)) << "no border";
}

TEST_F(BarChartWidget, TipOnlyOverTheBar) {
    chart.setSettings(BarChartSettings::processorChart());
    chart.resize(180, 240);
    chart.setValue(45);
    const QRect bar = chart.barRect();
    struct Case {
        const char* where;
        QPoint point;
        bool tip;
    };
    const Case cases[] = {
        {"front face", bar.center(), true},
        {"top face", bar.topLeft() + QPoint(bar.width() / 2, -3), true},
        {"side face", QPoint(bar.right() + 4, bar.center().y()), true},
        {"above the bar", QPoint(bar.center().x(), bar.top() - 30), false},
        {"left of the bar", QPoint(bar.left() - 10, bar.center().y()), false},
        {"axis labels", QPoint(5, bar.bottom()), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(chart.tipTextAt(c.point).isEmpty(), !c.tip) << c.where;
    }

    BarChartSettings settings = BarChartSettings::processorChart();
    settings.tipText = QStringLiteral("占用 ${v}%");
    settings.decimals = 1;
    chart.setSettings(settings);
    EXPECT_EQ(chart.tipTextAt(chart.barRect().center()), QStringLiteral("占用 45.0%"));
}

TEST_F(BarChartWidget, HoverEventShowsAndHidesTheTip) {
    chart.setSettings(BarChartSettings::processorChart());
    chart.resize(180, 240);
    chart.setValue(45);
    chart.show();
    const QPoint overBar = chart.barRect().center();
    QHelpEvent over(QEvent::ToolTip, overBar, chart.mapToGlobal(overBar));
    QApplication::sendEvent(&chart, &over);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("45"));

    const QPoint away(chart.barRect().left() - 10, 10);
    QHelpEvent elsewhere(QEvent::ToolTip, away, chart.mapToGlobal(away));
    QApplication::sendEvent(&chart, &elsewhere);
    // the tip fades out: wait for it with a deadline
    QDeadlineTimer deadline(5000);
    while (QToolTip::isVisible() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_FALSE(QToolTip::isVisible());
}

}  // namespace
}  // namespace qv

// The application outlives every widget and tip window of the tests. Listing
// the tests happens without ctest's environment, so offscreen is the default.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
