#include "ui/qt/barchart.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QPainter>
#include <QPolygon>
#include <QToolTip>

#include <algorithm>
#include <cmath>

#include "monitor/chart_scale.h"

namespace qv {
namespace {

constexpr int kPadding = 4;      // between the frame and the drawing
constexpr int kLabelGap = 4;     // between the step labels and the axis
constexpr int kDepth = 8;        // of the back wall and the bar's faces
constexpr double kBarShare = 0.5;
const QColor kGridColor{128, 128, 128};
const QColor kAxisLineColor{64, 64, 64};

/// Where everything goes for a chart of this size, settings and value.
struct ChartLayout {
    QRect plot;   // front plane of the plot
    int depth = 0;
    QRect bar;    // front face; empty when the bar is
    std::vector<std::int64_t> labels;
    int labelWidth = 0;
    int textHeight = 0;
};

ChartLayout layoutChart(const QRect& area, const BarChartSettings& settings, double value) {
    ChartLayout layout;
    const QFontMetrics metrics(settings.axisFont);
    layout.labels = ChartStepLabels(settings.maxValue, settings.divisions);
    for (auto label : layout.labels) {
        layout.labelWidth = std::max(layout.labelWidth, metrics.horizontalAdvance(QString::number(label)));
    }
    layout.textHeight = metrics.height();
    layout.depth = settings.threeD ? kDepth : 0;

    const int left = area.left() + kPadding + layout.labelWidth + kLabelGap;
    const int right = area.right() - kPadding - layout.depth;
    // room for the value text above a full bar and half a label below the axis
    const int top = area.top() + kPadding + layout.textHeight + layout.depth;
    const int bottom = area.bottom() - kPadding - layout.textHeight / 2;
    layout.plot = QRect(QPoint(left, top), QPoint(std::max(left, right), std::max(top, bottom)));

    const int barWidth = std::max(1, static_cast<int>(layout.plot.width() * kBarShare));
    const int barHeight = static_cast<int>(
        std::lround(ChartBarFraction(value, settings.maxValue) * layout.plot.height()));
    const int barLeft = layout.plot.left() + (layout.plot.width() - barWidth - layout.depth) / 2;
    layout.bar = QRect(barLeft, layout.plot.bottom() + 1 - barHeight, barWidth, barHeight);
    return layout;
}

/// Front plane y of step k.
int stepY(const ChartLayout& layout, int k) {
    const int divisions = static_cast<int>(layout.labels.size()) - 1;
    return layout.plot.bottom() -
           static_cast<int>(std::lround(static_cast<double>(k) * (layout.plot.height() - 1) / divisions));
}

QPolygon shifted(std::initializer_list<QPoint> front, int depth, std::initializer_list<QPoint> back) {
    QPolygon polygon;
    for (const auto& point : front) polygon << point;
    for (const auto& point : back) polygon << point + QPoint(depth, -depth);
    return polygon;
}

/// The whole bar, faces included.
QPolygon barOutline(const ChartLayout& layout) {
    const QRect& bar = layout.bar;
    const QPoint topRight = bar.topRight() + QPoint(1, 0);
    const QPoint bottomRight = bar.bottomRight() + QPoint(1, 1);
    return shifted({QPoint(bar.left(), bar.bottom() + 1), bar.topLeft()}, layout.depth, {bar.topLeft(), topRight})
           << bottomRight + QPoint(layout.depth, -layout.depth) << bottomRight;
}

void paintWalls(QPainter& painter, const ChartLayout& layout, const QColor& background) {
    const QRect& plot = layout.plot;
    const int d = layout.depth;
    painter.setPen(kGridColor);
    painter.setBrush(background.lighter(112));
    painter.drawRect(plot.translated(d, -d));
    if (d == 0) return;
    painter.setBrush(background.darker(104));
    painter.drawPolygon(shifted({plot.bottomLeft(), plot.topLeft()}, d, {plot.topLeft(), plot.bottomLeft()}));
    painter.setBrush(background.darker(110));
    painter.drawPolygon(
        shifted({plot.bottomLeft(), plot.bottomRight()}, d, {plot.bottomRight(), plot.bottomLeft()}));
}

void paintGrid(QPainter& painter, const ChartLayout& layout) {
    const int d = layout.depth;
    const int divisions = static_cast<int>(layout.labels.size()) - 1;
    painter.setPen(QPen(kGridColor, 1, Qt::DotLine));
    for (int k = 1; k < divisions; ++k) {
        const int y = stepY(layout, k);
        painter.drawLine(layout.plot.left() + d, y - d, layout.plot.right() + d, y - d);
        if (d > 0) painter.drawLine(layout.plot.left(), y, layout.plot.left() + d, y - d);
    }
}

void paintAxis(QPainter& painter, const ChartLayout& layout, const BarChartSettings& settings) {
    painter.setPen(kAxisLineColor);
    painter.drawLine(layout.plot.bottomLeft(), layout.plot.topLeft());
    painter.drawLine(layout.plot.bottomLeft(), layout.plot.bottomRight());
    painter.setFont(settings.axisFont);
    painter.setPen(settings.axisColor);
    const int labelLeft = layout.plot.left() - kLabelGap - layout.labelWidth;
    for (std::size_t k = 0; k < layout.labels.size(); ++k) {
        const int y = stepY(layout, static_cast<int>(k));
        const QRect box(labelLeft, y - layout.textHeight / 2, layout.labelWidth, layout.textHeight);
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, QString::number(layout.labels[k]));
    }
}

void paintBar(QPainter& painter, const ChartLayout& layout, const QColor& color) {
    const QRect& bar = layout.bar;
    if (bar.height() <= 0) return;
    painter.fillRect(bar, color);
    const int d = layout.depth;
    if (d == 0) return;
    painter.setPen(Qt::NoPen);
    const QPoint topRight = bar.topRight() + QPoint(1, 0);
    const QPoint bottomRight = bar.bottomRight() + QPoint(1, 1);
    painter.setBrush(color.lighter(130));
    painter.drawPolygon(shifted({bar.topLeft(), topRight}, d, {topRight, bar.topLeft()}));
    painter.setBrush(color.darker(140));
    painter.drawPolygon(shifted({topRight, bottomRight}, d, {bottomRight, topRight}));
}

void paintValue(QPainter& painter, const ChartLayout& layout, const BarChartSettings& settings,
                const QString& text) {
    painter.setFont(settings.axisFont);
    painter.setPen(settings.axisColor);
    const int bottom = layout.bar.top() - layout.depth - 1;
    const QRect box(layout.bar.left() - layout.depth, bottom - layout.textHeight,
                    layout.bar.width() + 3 * layout.depth, layout.textHeight);
    painter.drawText(box, Qt::AlignHCenter | Qt::AlignBottom, text);
}

}  // namespace

QFont BarChartSettings::defaultAxisFont() {
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(10);
    font.setBold(true);
    return font;
}

BarChartSettings BarChartSettings::processorChart() {
    BarChartSettings settings;
    settings.maxValue = 100.0;
    settings.divisions = 10;
    settings.seriesName = QStringLiteral("销售金额");
    settings.seriesColor = QColor(255, 0, 0);
    return settings;
}

BarChartSettings BarChartSettings::memoryChart() {
    BarChartSettings settings;
    settings.maxValue = 3072.0;
    settings.divisions = 12;
    settings.seriesColor = QColor(255, 128, 0);
    return settings;
}

BarChart::BarChart(QWidget* parent) : QWidget(parent) {
    // every pixel is painted, so nothing needs erasing first
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BarChart::setSettings(const BarChartSettings& settings) {
    m_settings = settings;
    m_settings.maxValue = std::clamp(m_settings.maxValue, 0.0, kChartMaxValueLimit);
    if (std::isnan(m_settings.maxValue)) m_settings.maxValue = 0.0;
    m_settings.divisions = std::clamp(m_settings.divisions, kChartMinDivisions, kChartMaxDivisions);
    m_settings.decimals = std::clamp(m_settings.decimals, 0, kChartMaxDecimals);
    update();
}

void BarChart::setValue(double value) {
    const double stored = ClampChartValue(value);
    if (stored == m_value) return;
    m_value = stored;
    update();
}

QString BarChart::valueText() const {
    return QString::fromStdString(ChartValueText(m_value, m_settings.decimals));
}

QRect BarChart::barRect() const { return layoutChart(rect(), m_settings, m_value).bar; }

QRect BarChart::plotRect() const { return layoutChart(rect(), m_settings, m_value).plot; }

QString BarChart::tipTextAt(const QPoint& position) const {
    const ChartLayout layout = layoutChart(rect(), m_settings, m_value);
    if (layout.bar.height() <= 0) return {};
    if (!barOutline(layout).containsPoint(position, Qt::OddEvenFill)) return {};
    return QString::fromStdString(
        ChartTipText(m_settings.tipText.toStdString(), valueText().toStdString()));
}

void BarChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const ChartLayout layout = layoutChart(rect(), m_settings, m_value);
    const QColor background =
        m_settings.backColor.isValid() ? m_settings.backColor : palette().color(QPalette::Button);
    painter.fillRect(rect(), background);
    paintWalls(painter, layout, background);
    paintGrid(painter, layout);
    paintAxis(painter, layout, m_settings);
    paintBar(painter, layout, m_settings.seriesColor);
    if (m_settings.showValues) paintValue(painter, layout, m_settings, valueText());
    if (m_settings.showBorder) {
        painter.setPen(m_settings.borderColor);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

bool BarChart::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = tipTextAt(help->pos());
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    const QRect area = barOutline(layoutChart(rect(), m_settings, m_value)).boundingRect();
    QToolTip::showText(help->globalPos(), tip, this, area);
    return true;
}

}  // namespace qv
