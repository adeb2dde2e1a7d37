// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/chartpainting.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRect>

#include <algorithm>
#include <cmath>

namespace ChartPainting {

namespace {

// A legend line long enough to show a dash pattern twice, then its name.
constexpr int legendLineLength = 24;
constexpr int legendGap = 5;
constexpr int legendEntryGap = 16;

QFont titleFont(const QFont &font)
{
    QFont bold(font);
    bold.setBold(true);
    return bold;
}

} // namespace

int legendWidth(const QFontMetrics &metrics, const QList<LegendEntry> &entries)
{
    int width = 0;
    for (const LegendEntry &entry : entries)
        width += legendLineLength + legendGap + metrics.horizontalAdvance(entry.name);
    return width + legendEntryGap * std::max(0, int(entries.size()) - 1);
}

int legendHeight(const QFontMetrics &metrics)
{
    return metrics.height();
}

void drawLegend(QPainter &painter, const QRect &band, const QList<LegendEntry> &entries)
{
    const QFontMetrics metrics(painter.font());
    int x = band.left() + (band.width() - legendWidth(metrics, entries)) / 2;
    const int middle = band.top() + band.height() / 2;
    for (const LegendEntry &entry : entries) {
        painter.setPen(entry.pen);
        painter.drawLine(x, middle, x + legendLineLength - 1, middle);
        x += legendLineLength + legendGap;
        painter.setPen(textColour);
        const int width = metrics.horizontalAdvance(entry.name);
        painter.drawText(QRect(x, band.top(), width, band.height()), Qt::AlignLeft | Qt::AlignVCenter,
                         entry.name);
        x += width + legendEntryGap;
    }
}

int valueAxisWidth(const QFont &font, const QList<AxisTick> &ticks)
{
    double labels = 0.0;
    for (const AxisTick &tick : ticks)
        labels = std::max(labels, tick.label.size().width());
    return QFontMetrics(titleFont(font)).height() + margin + int(std::ceil(labels)) + legendGap
         + tickLength;
}

void drawValueAxis(QPainter &painter, const QRect &plot, const QList<AxisTick> &ticks,
                   const QString &title)
{
    painter.fillRect(plot.left(), plot.top(), 1, plot.height(), axisColour);
    for (const AxisTick &tick : ticks)
        painter.fillRect(plot.left() - tickLength, tick.at, tickLength, 1, axisColour);
    painter.setPen(textColour);
    const double right = plot.left() - tickLength - legendGap;
    for (const AxisTick &tick : ticks) {
        const QSizeF size = tick.label.size();
        painter.drawStaticText(QPointF(right - size.width(), tick.at - size.height() / 2), tick.label);
    }
    const int left = plot.left() - valueAxisWidth(painter.font(), ticks);
    painter.save();
    painter.setFont(titleFont(painter.font()));
    painter.translate(left, plot.center().y());
    painter.rotate(-90);
    const QFontMetrics metrics(painter.font());
    painter.drawText(QRect(-plot.height() / 2, 0, plot.height(), metrics.height()), Qt::AlignCenter,
                     title);
    painter.restore();
}

void drawBottomAxis(QPainter &painter, const QRect &plot, const QList<int> &xs)
{
    painter.fillRect(plot.left(), plot.bottom(), plot.width(), 1, axisColour);
    for (int x : xs)
        painter.fillRect(x, plot.bottom(), 1, tickLength + 1, axisColour);
}

void drawGrid(QPainter &painter, const QRect &plot, const QList<int> &xs, const QList<int> &ys)
{
    for (int x : xs)
        painter.fillRect(x, plot.top(), 1, plot.height(), gridColour);
    for (int y : ys)
        painter.fillRect(plot.left(), y, plot.width(), 1, gridColour);
}

void drawFrame(QPainter &painter, const QRect &rect, const QColor &colour)
{
    painter.fillRect(rect.left(), rect.top(), rect.width(), frameWidth, colour);
    painter.fillRect(rect.left(), rect.bottom() - frameWidth + 1, rect.width(), frameWidth, colour);
    painter.fillRect(rect.left(), rect.top(), frameWidth, rect.height(), colour);
    painter.fillRect(rect.right() - frameWidth + 1, rect.top(), frameWidth, rect.height(), colour);
}

} // namespace ChartPainting
