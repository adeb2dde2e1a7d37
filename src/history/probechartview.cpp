// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/probechartview.h"

#include "history/limitwatch.h"
#include "history/probehistory.h"
#include "history/timeticks.h"

#include <QAbstractAxis>
#include <QChart>
#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// One line colour per probe, in the order of panelProbes, told apart also
// by readers with the common colour vision deficiencies; BATT's stands out
// against each of the others, which it meets most often.
constexpr QColor probeColours[] = {
    {213, 94, 0},   // BATT: vermilion
    {0, 114, 178},  // BUCK1: blue
    {0, 158, 115},  // BUCK2: bluish green
    {204, 121, 167} // BUCK3: reddish purple
};
static_assert(std::size(probeColours) == probeCount);

// A line style per probe, so that lines on the same value stay apart: BATT
// a wide solid band, the converters thin lines with dashes of their own (in
// pixels), drawn on top of it, so that one on BATT's value runs along the
// middle of its band. Thin lines are also the quick ones to draw: dashes of
// a wide line cost about as much as the rest of a redraw.
struct LineStyle
{
    int width;
    QList<qreal> dashes;
};
const LineStyle probeStyles[] = {{3, {}}, {1, {8, 4}}, {1, {3, 3}}, {1, {8, 3, 2, 3}}};
static_assert(std::size(probeStyles) == probeCount);

constexpr int tickLength = 5;
// Room for a tick label, in widths of the widest one.
constexpr double tickLabelSpacing = 1.6;
constexpr char widestTickLabel[] = "00:00:00";
constexpr char dateFormat[] = "yyyy-MM-dd";
constexpr qint64 offsetLookupMs = 60'000;
constexpr int limitLineWidth = 1;
constexpr double markRadius = 5.0;
constexpr QColor cursorColour{64, 64, 64};
constexpr QColor cursorTagText{255, 255, 255};
constexpr int cursorTagPadding = 3;

const QAbstractAxis *voltsAxisOf(const QChart &chart)
{
    const QList<QAbstractAxis *> axes = chart.axes(Qt::Vertical);
    return axes.isEmpty() ? nullptr : axes.first();
}

} // namespace

ProbeChartView::ProbeChartView(QChart *chart, const ProbeHistory &history, const LimitWatch &watch,
                               QWidget *parent)
    : QChartView(chart, parent), history(history), watch(watch)
{
    // The time axis is drawn here, under the plot: room for its ticks, its
    // labels and the date.
    QMargins margins = chart->margins();
    margins.setBottom(margins.bottom() + tickLength + 2 * QFontMetrics(labelFont()).height());
    chart->setMargins(margins);
}

// The time axis is labelled like the volts axis.
QFont ProbeChartView::labelFont() const
{
    const QAbstractAxis *volts = voltsAxisOf(*chart());
    return volts ? volts->labelsFont() : font();
}

QPen ProbeChartView::probePen(int probe)
{
    const LineStyle &style = probeStyles[probe];
    QPen pen(probeColours[probe], style.width);
    if (!style.dashes.isEmpty())
        pen.setDashPattern(style.dashes);
    return pen;
}

// Only the plot and the time axis under it change as the view moves on;
// the legend and the volts axis are left as they are. Tick labels stay
// right of the volts axis, and may reach past the plot on the right.
void ProbeChartView::setView(qint64 from, qint64 to, double voltsTop,
                             std::array<ProbeLine, probeCount> lines)
{
    this->from = from;
    this->to = std::max(to, from + 1);
    this->voltsTop = voltsTop;
    probeLines = std::move(lines);
    placeTicks();
    const QRectF plot = chart()->plotArea();
    const QRectF chartArea = chart()->geometry();
    const QRectF axis(plot.left(), plot.bottom(), chartArea.right() - plot.left(),
                      chartArea.bottom() - plot.bottom());
    viewport()->update(QRegion(mapFromScene(plot).boundingRect()) + mapFromScene(axis).boundingRect());
}

void ProbeChartView::clearCursors()
{
    if (!hasCursors())
        return;
    cursors = {};
    viewport()->update();
    emit cursorsChanged();
}

double ProbeChartView::xOf(qint64 time) const
{
    const QRectF plot = chart()->plotArea();
    return plot.left() + double(time - from) * plot.width() / double(to - from);
}

double ProbeChartView::yOf(double volts) const
{
    const QRectF plot = chart()->plotArea();
    return plot.bottom() - volts * plot.height() / voltsTop;
}

// The ticks of the view and their labels. Labels are laid out only for
// ticks that are new: most views move on by a second and keep every tick
// they had. Ticks fall on round times of the local clock, whose offset from
// UTC is looked up again once a minute, for a change of summer time.
void ProbeChartView::placeTicks()
{
    if (tickLabelWidth == 0.0 || labelFont() != measuredFont) {
        measuredFont = labelFont();
        tickLabelWidth = QFontMetricsF(measuredFont).horizontalAdvance(QLatin1String(widestTickLabel));
    }
    if (std::abs(from - offsetLookedUp) > offsetLookupMs) {
        offsetLookedUp = from;
        utcOffset = utcOffsetAt(from);
    }
    const int maxTicks = int(chart()->plotArea().width() / (tickLabelWidth * tickLabelSpacing));
    const TimeTicks placed = timeTicks(from, to, maxTicks, utcOffset);
    QList<Tick> next;
    for (qint64 time : placed.times) {
        const auto known = std::find_if(ticks.begin(), ticks.end(), [&](const Tick &tick) {
            return tick.time == time && tick.step == placed.step;
        });
        if (known != ticks.end()) {
            next << *known;
            continue;
        }
        Tick tick{time, placed.step, QStaticText(timeTickLabel(time, placed.step)), {}};
        tick.date.setText(QDateTime::fromMSecsSinceEpoch(time).date().toString(QLatin1String(dateFormat)));
        next << tick;
    }
    ticks = next;
    if (ticks.isEmpty())
        startDate.setText(QDateTime::fromMSecsSinceEpoch(from).date().toString(QLatin1String(dateFormat)));
}

// The grid under the lines, both ways: the chart's own background and the
// volts axis's grid are off (a grid line of the chart is an item of its
// own, dear to repaint), so it is painted here first.
void ProbeChartView::drawBackground(QPainter *painter, const QRectF &rect)
{
    QChartView::drawBackground(painter, rect);
    const QRectF plot = chart()->plotArea();
    const auto *volts = qobject_cast<const QValueAxis *>(voltsAxisOf(*chart()));
    if (!volts)
        return;
    // Cosmetic, so that the lines take the painter's quick way.
    QPen grid = volts->gridLinePen();
    grid.setCosmetic(true);
    painter->setPen(grid);
    for (const Tick &tick : ticks)
        painter->drawLine(QPointF(xOf(tick.time), plot.top()), QPointF(xOf(tick.time), plot.bottom()));
    for (double v = volts->tickAnchor() + volts->tickInterval(); v <= voltsTop; v += volts->tickInterval())
        painter->drawLine(QPointF(plot.left(), yOf(v)), QPointF(plot.right(), yOf(v)));
}

void ProbeChartView::drawForeground(QPainter *painter, const QRectF &rect)
{
    QChartView::drawForeground(painter, rect);
    const QRectF plot = chart()->plotArea();
    painter->save();
    drawTimeAxis(*painter, plot);
    painter->setClipRect(plot);
    drawLines(*painter);
    painter->setRenderHint(QPainter::Antialiasing);
    drawLimits(*painter, plot);
    drawEvents(*painter);
    drawCursors(*painter, plot);
    painter->restore();
}

// In the volts axis's colours and font; a date is left out where it would
// run into the one before.
void ProbeChartView::drawTimeAxis(QPainter &painter, const QRectF &plot) const
{
    const QAbstractAxis *volts = voltsAxisOf(*chart());
    if (!volts)
        return;
    painter.setPen(volts->linePen());
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.setFont(labelFont());
    const QFontMetricsF metrics(labelFont());
    const double labelTop = plot.bottom() + tickLength;
    const double dateTop = labelTop + metrics.height();
    for (const Tick &tick : ticks)
        painter.drawLine(QPointF(xOf(tick.time), plot.bottom()), QPointF(xOf(tick.time), labelTop));
    painter.setPen(volts->labelsColor());
    double dateEnd = plot.left();
    QString lastDate;
    for (const Tick &tick : ticks) {
        const double x = xOf(tick.time);
        if (x - tick.label.size().width() / 2 < plot.left())
            continue;
        painter.drawStaticText(QPointF(x - tick.label.size().width() / 2, labelTop), tick.label);
        const double dateWidth = tick.date.size().width();
        if (tick.date.text() != lastDate && x - dateWidth / 2 >= dateEnd) {
            painter.drawStaticText(QPointF(x - dateWidth / 2, dateTop), tick.date);
            dateEnd = x + dateWidth / 2;
            lastDate = tick.date.text();
        }
    }
    if (lastDate.isEmpty())
        painter.drawStaticText(QPointF(plot.left(), dateTop), ticks.isEmpty() ? startDate : ticks.first().date);
}

// BATT first, so that the converters run over its band.
void ProbeChartView::drawLines(QPainter &painter) const
{
    QPolygonF polyline;
    for (int p = 0; p < probeCount; ++p) {
        painter.setPen(probePen(p));
        for (const QList<QPointF> &stretch : probeLines[std::size_t(p)]) {
            polyline.clear();
            for (const QPointF &point : stretch)
                polyline << QPointF(xOf(qint64(point.x())), yOf(point.y()));
            painter.drawPolyline(polyline);
        }
    }
}

void ProbeChartView::drawLimits(QPainter &painter, const QRectF &plot) const
{
    for (int p = 0; p < probeCount; ++p) {
        painter.setPen(QPen(probeColours[p], limitLineWidth, Qt::DashLine));
        const ProbeLimit &limit = watch.limits()[std::size_t(p)];
        for (double volts : {limit.low, limit.high}) {
            if (!std::isnan(volts))
                painter.drawLine(QPointF(plot.left(), yOf(volts)), QPointF(plot.right(), yOf(volts)));
        }
    }
}

// A triangle pointing the way the reading left its limits, a ring where it
// came back.
void ProbeChartView::drawEvents(QPainter &painter) const
{
    const std::deque<LimitEvent> &events = watch.events();
    auto event = std::lower_bound(events.begin(), events.end(), from,
                                  [](const LimitEvent &e, qint64 t) { return e.time < t; });
    for (; event != events.end() && event->time <= to; ++event) {
        const QPointF at(xOf(event->time), yOf(event->volts));
        const QColor colour = probeColours[event->probe];
        if (event->kind == LimitEvent::Back) {
            painter.setPen(QPen(colour, limitLineWidth));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(at, markRadius, markRadius);
            continue;
        }
        const double tip = event->kind == LimitEvent::Below ? markRadius : -markRadius;
        QPainterPath mark;
        mark.moveTo(at.x(), at.y() + tip);
        mark.lineTo(at.x() - markRadius, at.y() - tip);
        mark.lineTo(at.x() + markRadius, at.y() - tip);
        mark.closeSubpath();
        painter.fillPath(mark, colour);
    }
}

void ProbeChartView::drawCursors(QPainter &painter, const QRectF &plot) const
{
    const QFontMetricsF metrics(painter.font());
    for (Cursor which : {A, B}) {
        if (!cursors[which])
            continue;
        const double x = xOf(*cursors[which]);
        painter.setPen(QPen(cursorColour, limitLineWidth));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        const QString tag = which == A ? QStringLiteral("A") : QStringLiteral("B");
        const double width = metrics.horizontalAdvance(tag) + 2 * cursorTagPadding;
        const QRectF box(x - width / 2, plot.top(), width, metrics.height());
        painter.fillRect(box, cursorColour);
        painter.setPen(cursorTagText);
        painter.drawText(box, Qt::AlignCenter, tag);
    }
}

// The cursor goes to the sample nearest to the click.
void ProbeChartView::mousePressEvent(QMouseEvent *event)
{
    const QRectF plot = chart()->plotArea();
    const QPointF at = mapToScene(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !plot.contains(at) || history.isEmpty()) {
        QChartView::mousePressEvent(event);
        return;
    }
    const qint64 time = from + qint64((at.x() - plot.left()) * double(to - from) / plot.width());
    cursors[event->modifiers() & Qt::ShiftModifier ? B : A] = history.nearest(time).time;
    viewport()->update();
    emit cursorsChanged();
}
