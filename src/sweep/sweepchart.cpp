// SPDX-License-Identifier: GPL-3.0-or-later
#include "sweep/sweepchart.h"

#include "common/chartpainting.h"
#include "common/chip.h"
#include "common/hexbyte.h"
#include "sweep/sweepcsv.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <optional>

using namespace ChartPainting;

namespace {

constexpr QColor risingColour{31, 100, 200};
constexpr QColor fallingColour{220, 110, 20};
constexpr QColor idealColour{120, 120, 120};
constexpr QColor tripColour{200, 30, 40};

constexpr int lineWidth = 2;
constexpr int markerRadius = 3;
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

QFont boldFont(QFont font)
{
    font.setBold(true);
    return font;
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

// The legend above the plot, the value axis beside it, the values set under
// it: the axes and grid as every chart of the program draws them.
void SweepChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), background);
    painter.setFont(font());
    painter.setPen(textColour);
    if (!planned) {
        painter.drawText(rect(), Qt::AlignCenter, tr("Run a sweep to see it here"));
        return;
    }

    // The spans: the values set, and a probe's readings beside them.
    const double xLow = lowest;
    const double xHigh = highest > lowest ? highest : lowest + 1.0;
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
    QList<AxisTick> valueTicks;
    for (double y : yTicks) {
        valueTicks << AxisTick{0, QStaticText(fixedText(y, yDecimals))};
        valueTicks.last().label.prepare(QTransform(), font());
    }

    const QFontMetrics metrics = fontMetrics();
    const int lastLabelWidth = metrics.horizontalAdvance(fixedText(xTicks.value(xTicks.size() - 1), xDecimals));
    const QMargins around(margin + valueAxisWidth(font(), valueTicks),
                          margin + legendHeight(metrics) + margin + metrics.height() / 2,
                          margin + lastLabelWidth / 2, margin + tickLength + 2 * metrics.height());
    const Scale scale{rect().marginsRemoved(around), xLow, xHigh, yLow, yHigh};
    const QRect &plot = scale.plot;
    if (plot.width() <= 0 || plot.height() <= 0)
        return;

    QList<int> xs;
    for (double x : xTicks)
        xs << int(std::lround(scale.at(x, yLow).x()));
    QList<int> ys;
    for (int i = 0; i < valueTicks.size(); ++i) {
        valueTicks[i].at = int(std::lround(scale.at(xLow, yTicks.at(i)).y()));
        ys << valueTicks.at(i).at;
    }
    ys.removeAll(plot.bottom());

    const bool probe = field.probe >= 0;
    const QPen firstPen(risingColour, lineWidth);
    const QPen secondPen = probe ? QPen(idealColour, 1, Qt::DashLine) : QPen(fallingColour, lineWidth, Qt::DashLine);
    const QString probeLabel = probe ? QLatin1String(panelProbes[field.probe].label) : QString();
    drawLegend(painter, QRect(0, margin, width(), legendHeight(metrics)),
               probe ? QList<LegendEntry>{{tr("%1 measured").arg(probeLabel), firstPen}, {tr("ideal"), secondPen}}
                     : QList<LegendEntry>{{tr("rising"), firstPen}, {tr("falling"), secondPen}});
    drawValueAxis(painter, plot, valueTicks,
                  probe ? tr("%1 (V)").arg(probeLabel)
                        : tr("%1 bit of %2")
                                  .arg(QLatin1String(bitName(probeStatusRegister, field.statusBit)),
                                       hexText(probeStatusRegister)));
    drawGrid(painter, plot, xs, ys);
    drawBottomAxis(painter, plot, xs);
    painter.setPen(textColour);
    for (int i = 0; i < xs.size(); ++i)
        painter.drawText(QRect(xs.at(i) - plot.width() / 2, plot.bottom() + tickLength, plot.width(), metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, fixedText(xTicks.at(i), xDecimals));
    painter.save();
    painter.setFont(boldFont(font()));
    painter.drawText(QRect(plot.left(), plot.bottom() + tickLength + metrics.height(), plot.width(), metrics.height()),
                     Qt::AlignHCenter | Qt::AlignTop, tr("%1 (V)").arg(field.name));
    painter.restore();

    painter.setRenderHint(QPainter::Antialiasing);
    if (probe)
        drawProbe(painter, scale, firstPen, secondPen);
    else if (field.statusBit >= 0)
        drawStatusBit(painter, scale, firstPen, secondPen);
}

void SweepChart::drawProbe(QPainter &painter, const Scale &scale, const QPen &reading, const QPen &ideal) const
{
    painter.setPen(ideal);
    painter.drawLine(scale.at(scale.xLow, scale.xLow), scale.at(scale.xHigh, scale.xHigh));
    QPolygonF line;
    for (const SweepRow &row : rows) {
        if (const std::optional<double> set = field.volts(row.index))
            line << scale.at(*set, measured(row));
    }
    painter.setPen(reading);
    painter.setBrush(reading.color());
    painter.drawPolyline(line);
    for (const QPointF &point : std::as_const(line))
        painter.drawEllipse(point, markerRadius, markerRadius);
}

// The steps reached while the values went up apart from those reached while
// they came down, each leg taking on from where the other left off; the
// trip points as dotted lines with their values.
void SweepChart::drawStatusBit(QPainter &painter, const Scale &scale, const QPen &rising,
                               const QPen &falling) const
{
    QPolygonF legs[2]; // rising, falling
    for (int i = 0; i < rows.size(); ++i) {
        const std::optional<double> set = field.volts(rows.at(i).index);
        if (!set)
            continue;
        const int neighbour = i > 0 ? i - 1 : 1;
        const std::optional<double> other = neighbour < rows.size() ? field.volts(rows.at(neighbour).index)
                                                                    : std::nullopt;
        const bool up = !other || (i > 0 ? *set >= *other : *other >= *set);
        QPolygonF &leg = legs[up ? 0 : 1];
        const QPolygonF &otherLeg = legs[up ? 1 : 0];
        if (leg.isEmpty() && !otherLeg.isEmpty())
            leg << otherLeg.last();
        leg << scale.at(*set, measured(rows.at(i)));
    }
    const QPen pens[2] = {rising, falling};
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
}
