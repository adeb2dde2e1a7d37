// SPDX-License-Identifier: GPL-3.0-or-later
#include "sweep/sweepchart.h"

#include "common/chip.h"
#include "common/hexbyte.h"
#include "sweep/sweepcsv.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr QColor background{255, 255, 255};
constexpr QColor textColour{40, 40, 44};
constexpr QColor axisColour{170, 170, 170};
constexpr QColor gridColour{226, 226, 226};
constexpr QColor risingColour{31, 100, 200};
constexpr QColor fallingColour{220, 110, 20};
constexpr QColor idealColour{120, 120, 120};
constexpr QColor tripColour{200, 30, 40};

constexpr int margin = 8;
constexpr int tickLength = 5;
constexpr int lineWidth = 2;
constexpr int markerRadius = 3;
constexpr int legendLineLength = 24;
constexpr int mostTicks = 8;
// Room above and below the two levels of a status bit.
constexpr double bitPadding = 0.25;
// Room around the readings, as a share of their span.
constexpr double readingPadding = 0.04;
constexpr QSize preferredSize{520, 380};
constexpr QSize smallestSize{320, 240};

// Round ticks over low..high: steps of 1, 2 or 5 times a power of ten.
QList<double> roundTicks(double low, double high, int &decimals)
{
    const double span = high > low ? high - low : 1.0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(span / mostTicks)));
    double step = magnitude;
    for (double multiple : {1.0, 2.0, 5.0, 10.0}) {
        step = multiple * magnitude;
        if (span / step <= mostTicks)
            break;
    }
    decimals = std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
    QList<double> ticks;
    for (double v = std::ceil(low / step - 1e-9) * step; v <= high + step * 1e-9; v += step)
        ticks << v;
    return ticks;
}

QString tickText(double value, int decimals)
{
    // No "-0.00" for a tick that rounds to nothing.
    return QString::number(std::abs(value) < 0.5 * std::pow(10.0, -decimals) ? 0.0 : value, 'f', decimals);
}

} // namespace

// Values to pixels in the plot.
struct SweepChart::Scale
{
    QRect plot;
    double xLow;
    double xHigh;
    double yLow;
    double yHigh;

    QPointF at(double x, double y) const
    {
        return {plot.left() + (x - xLow) / (xHigh - xLow) * plot.width(),
                plot.bottom() - (y - yLow) / (yHigh - yLow) * plot.height()};
    }
};

SweepChart::SweepChart(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SweepChart::setPlan(const SweepPlan &plan)
{
    planned = true;
    field = plan.field;
    lowest = highest = 0.0;
    bool first = true;
    for (int index : plan.steps()) {
        const std::optional<double> volts = field.volts(index);
        if (!volts)
            continue;
        lowest = first ? *volts : std::min(lowest, *volts);
        highest = first ? *volts : std::max(highest, *volts);
        first = false;
    }
    rows.clear();
    update();
}

void SweepChart::setRows(const QList<SweepRow> &taken)
{
    rows = taken;
    update();
}

QSize SweepChart::sizeHint() const
{
    return preferredSize;
}

QSize SweepChart::minimumSizeHint() const
{
    return smallestSize;
}

double SweepChart::measured(const SweepRow &row) const
{
    return field.probe >= 0 ? row.volts[std::size_t(field.probe)] : bitOf(row.status, field.statusBit);
}

void SweepChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), background);
    if (!planned) {
        painter.setPen(textColour);
        painter.drawText(rect(), Qt::AlignCenter, tr("Run a sweep to see it here"));
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics = fontMetrics();

    // The value axis's span: the values set, a probe's readings beside them.
    double xLow = lowest;
    double xHigh = highest > lowest ? highest : lowest + 1.0;
    double yLow = -bitPadding;
    double yHigh = 1.0 + bitPadding;
    if (field.probe >= 0) {
        yLow = xLow;
        yHigh = xHigh;
        for (const SweepRow &row : std::as_const(rows)) {
            yLow = std::min(yLow, measured(row));
            yHigh = std::max(yHigh, measured(row));
        }
        const double padding = (yHigh - yLow) * readingPadding;
        yLow -= padding;
        yHigh += padding;
    }
    int xDecimals = 0;
    int yDecimals = 0;
    const QList<double> xTicks = roundTicks(xLow, xHigh, xDecimals);
    const QList<double> yTicks = field.probe >= 0 ? roundTicks(yLow, yHigh, yDecimals) : QList<double>{0.0, 1.0};

    int labelWidth = 0;
    for (double y : yTicks)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(tickText(y, yDecimals)));
    const int line = metrics.height();
    const QRect area = rect().adjusted(margin, margin, -margin, -margin);
    Scale scale{QRect(QPoint(area.left() + line + margin + labelWidth + tickLength, area.top() + line + margin),
                      QPoint(area.right() - metrics.horizontalAdvance(QLatin1Char('0')) * 3,
                             area.bottom() - 2 * line - tickLength - margin)),
                xLow, xHigh, yLow, yHigh};
    const QRect &plot = scale.plot;
    if (plot.width() <= 0 || plot.height() <= 0)
        return;

    // Grid, axes and their labels.
    painter.setPen(QPen(gridColour, 1));
    for (double x : xTicks)
        painter.drawLine(scale.at(x, yLow), scale.at(x, yHigh));
    for (double y : yTicks)
        painter.drawLine(scale.at(xLow, y), scale.at(xHigh, y));
    painter.setPen(QPen(axisColour, 1));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    painter.setPen(textColour);
    for (double x : xTicks) {
        const QPointF at = scale.at(x, yLow);
        painter.drawLine(at, at + QPointF(0, tickLength));
        const QString text = tickText(x, xDecimals);
        painter.drawText(QRectF(at.x() - plot.width(), plot.bottom() + tickLength, 2 * plot.width(), line),
                         Qt::AlignHCenter | Qt::AlignTop, text);
    }
    for (double y : yTicks) {
        const QPointF at = scale.at(xLow, y);
        painter.drawLine(at, at - QPointF(tickLength, 0));
        painter.drawText(QRectF(area.left(), at.y() - line, plot.left() - tickLength - area.left() - 2, 2 * line),
                         Qt::AlignRight | Qt::AlignVCenter, tickText(y, yDecimals));
    }
    painter.drawText(QRect(plot.left(), area.bottom() - line, plot.width(), line), Qt::AlignHCenter,
                     tr("%1 (V)").arg(field.name));
    const QString valueTitle = field.probe >= 0
                                       ? tr("%1 (V)").arg(QLatin1String(panelProbes[field.probe].label))
                                       : tr("%1 bit of %2").arg(QLatin1String(bitName(probeStatusRegister, field.statusBit)),
                                                                hexText(probeStatusRegister));
    painter.save();
    painter.translate(area.left(), plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-plot.height() / 2, 0, plot.height(), line), Qt::AlignCenter, valueTitle);
    painter.restore();

    if (field.probe >= 0)
        drawProbe(painter, scale);
    else if (field.statusBit >= 0)
        drawStatusBit(painter, scale);
}

void SweepChart::drawProbe(QPainter &painter, const Scale &scale) const
{
    const QPen ideal(idealColour, 1, Qt::DashLine);
    const QPen reading(risingColour, lineWidth);
    painter.setPen(ideal);
    painter.drawLine(scale.at(scale.xLow, scale.xLow), scale.at(scale.xHigh, scale.xHigh));
    QPolygonF line;
    for (const SweepRow &row : rows) {
        if (const std::optional<double> set = field.volts(row.index))
            line << scale.at(*set, measured(row));
    }
    painter.setPen(reading);
    painter.drawPolyline(line);
    painter.setBrush(risingColour);
    for (const QPointF &point : std::as_const(line))
        painter.drawEllipse(point, markerRadius, markerRadius);

    const QString probe = QLatin1String(panelProbes[field.probe].label);
    const int y = scale.plot.top() - margin - fontMetrics().height() / 2;
    int x = scale.plot.left();
    for (const auto &[pen, text] : {std::pair{reading, tr("%1 measured").arg(probe)}, std::pair{ideal, tr("ideal")}}) {
        painter.setPen(pen);
        painter.drawLine(x, y, x + legendLineLength, y);
        painter.setPen(textColour);
        painter.drawText(QPoint(x + legendLineLength + margin / 2, y + fontMetrics().ascent() / 2 - 1), text);
        x += legendLineLength + margin + fontMetrics().horizontalAdvance(text) + 2 * margin;
    }
}

void SweepChart::drawStatusBit(QPainter &painter, const Scale &scale) const
{
    // Each row belongs to the way the values went to reach it; the first to
    // the way they go from it.
    QPolygonF legs[2]; // rising, falling
    for (int i = 0; i < rows.size(); ++i) {
        const std::optional<double> set = field.volts(rows.at(i).index);
        if (!set)
            continue;
        const int neighbour = i > 0 ? i - 1 : 1;
        const std::optional<double> other = neighbour < rows.size() ? field.volts(rows.at(neighbour).index)
                                                                    : std::nullopt;
        const bool rising = !other || (i > 0 ? *set >= *other : *other >= *set);
        const QPointF point = scale.at(*set, measured(rows.at(i)));
        QPolygonF &leg = legs[rising ? 0 : 1];
        // A leg going on from the other's last row starts there.
        if (leg.isEmpty() && i > 0 && !legs[rising ? 1 : 0].isEmpty())
            leg << legs[rising ? 1 : 0].last();
        leg << point;
    }
    const QPen pens[2] = {QPen(risingColour, lineWidth), QPen(fallingColour, lineWidth, Qt::DashLine)};
    for (int leg = 0; leg < 2; ++leg) {
        painter.setPen(pens[leg]);
        painter.setBrush(pens[leg].color());
        painter.drawPolyline(legs[leg]);
        for (const QPointF &point : std::as_const(legs[leg]))
            painter.drawEllipse(point, markerRadius, markerRadius);
    }

    const TripPoints trips = tripPoints(field, rows);
    const QFontMetrics metrics = fontMetrics();
    int labelRow = 0;
    for (const auto &[trip, word] : {std::pair{trips.rising, tr("rising")}, std::pair{trips.falling, tr("falling")}}) {
        if (!trip)
            continue;
        const QPointF top = scale.at(*trip, scale.yHigh);
        painter.setPen(QPen(tripColour, 1, Qt::DotLine));
        painter.drawLine(top, scale.at(*trip, scale.yLow));
        painter.setPen(tripColour);
        const QString text = tr("%1 %2 V").arg(word, QString::number(*trip, 'f', 2));
        const qreal x = std::min(top.x() + margin / 2, qreal(scale.plot.right() - metrics.horizontalAdvance(text)));
        painter.drawText(QPointF(x, top.y() + metrics.ascent() + labelRow * metrics.height()), text);
        ++labelRow;
    }

    const int y = scale.plot.top() - margin - metrics.height() / 2;
    int x = scale.plot.left();
    for (int leg = 0; leg < 2; ++leg) {
        const QString text = leg == 0 ? tr("rising") : tr("falling");
        painter.setPen(pens[leg]);
        painter.drawLine(x, y, x + legendLineLength, y);
        painter.setPen(textColour);
        painter.drawText(QPoint(x + legendLineLength + margin / 2, y + metrics.ascent() / 2 - 1), text);
        x += legendLineLength + metrics.horizontalAdvance(text) + 3 * margin;
    }
}
