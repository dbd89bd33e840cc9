#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

#include "ui/controls.h"

namespace qv {

/// The settings of a bar chart, as the window template stores them.
struct BarChartSettings {
    bool showBorder = true;
    QColor borderColor{128, 0, 128};
    QColor backColor;  // invalid: the system's button-face colour
    bool threeD = true;
    QFont axisFont = defaultAxisFont();
    QColor axisColor{0, 96, 192};
    double maxValue = 100.0;  // 0 .. 10,000,000
    int divisions = 10;       // 1 .. 100
    QString seriesName;
    QColor seriesColor{255, 0, 0};
    int decimals = 0;         // 0 .. 10
    bool showValues = true;
    QString tipText = QStringLiteral("${v}");

    /// 宋体 where installed, else a CJK font; 10 px character height, bold.
    static QFont defaultAxisFont();
    /// The processor chart: 0..100 in 10 steps, red bar.
    static BarChartSettings processorChart();
    /// The memory chart: 0..3072 MB in 12 steps, orange bar.
    static BarChartSettings memoryChart();
};

/// A chart of one category and one series: a single bar whose value is
/// Value, drawn whole on every repaint without flicker.
class BarChart final : public QWidget, public ChartControl {
    Q_OBJECT
public:
    explicit BarChart(QWidget* parent = nullptr);

    void setSettings(const BarChartSettings& settings);
    const BarChartSettings& settings() const { return m_settings; }

    double value() const override { return m_value; }
    /// Clamped (below 0 or not a number: 0; above 10,000,000: 10,000,000),
    /// then repainted.
    void setValue(double value) override;

    /// The value text as the chart writes it above the bar and in the tip.
    QString valueText() const;
    /// The bar's rectangle in widget coordinates (the front face).
    QRect barRect() const;
    /// The plot area in widget coordinates (the front plane).
    QRect plotRect() const;
    /// The hover tip for a pointer at `position`; empty away from the bar.
    QString tipTextAt(const QPoint& position) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;  // the hover tip

private:
    BarChartSettings m_settings;
    double m_value = 0.0;
};

}  // namespace qv
