// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/probechartview.h"

#include "binding/panelreadouts.h"
#include "history/limitwatch.h"
#include "history/probehistory.h"
#include "history/timeticks.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <iterator>

using namespace ChartPainting;

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

constexpr char voltsTitle[] = QT_TRANSLATE_NOOP("ProbeChartView", "Volts");
// The volts axis is ticked every voltsStep, or a multiple of it where the
// chart is too low for that: its labels at least this many lines apart.
constexpr double voltsLabelSpacing = 1.5;
// Room for a time tick label, in widths of the widest one.
constexpr double tickLabelSpacing = 1.6;
constexpr char widestTickLabel[] = "00:00:00";
constexpr char dateFormat[] = "yyyy-MM-dd";
constexpr qint64 offsetLookupMs = 60'000;
constexpr int limitLineWidth = 1;
constexpr double markRadius = 5.0;
constexpr QColor cursorColour{64, 64, 64};
constexpr QColor cursorTagText{255, 255, 255};
constexpr int cursorTagPadding = 3;
// The smallest plot that still shows a line's course, and the chart's
// smallest height: what the window keeps at its own minimum size.
constexpr int minimumPlotWidth = 200;
constexpr int minimumPlotHeight = 120;
constexpr int minimumChartHeight = 200;
constexpr QSize preferredSize(700, 420);

// Where an antialiased line of one pixel is crisp.
double pixelCentre(double at)
{
    return std::floor(at) + 0.5;
}

} // namespace

ProbeChartView::ProbeChartView(const ProbeHistory &history, const LimitWatch &watch, QWidget *parent)
    : QWidget(parent), history(history), watch(watch)
{
    // Every pixel is painted here, over a background of its own.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    for (int p = 0; p < probeCount; ++p)
        legend << LegendEntry{QLatin1String(panelProbes[p].label), probePen(p)};
    layOut();
}

QPen ProbeChartView::probePen(int probe)
{
    const LineStyle &style = probeStyles[probe];
    QPen pen(probeColours[probe], style.width);
    if (!style.dashes.isEmpty())
        pen.setDashPattern(style.dashes);
    return pen;
}

// Only the plot and the time axis under it change as the view moves on; the
// legend and the volts axis only when the volts the chart reaches do.
void ProbeChartView::setView(qint64 from, qint64 to, double voltsTop,
                             std::array<ProbeLine, probeCount> lines)
{
    this->from = from;
    this->to = std::max(to, from + 1);
    probeLines = std::move(lines);
    if (voltsTop != this->voltsTop) {
        this->voltsTop = voltsTop;
        layOut();
        update();
        return;
    }
    placeTicks();
    update(plot.united(timeAxisArea()));
}

void ProbeChartView::clearCursors()
{
    if (!hasCursors())
        return;
    cursors = {};
    update();
    emit cursorsChanged();
}

QSize ProbeChartView::sizeHint() const
{
    return preferredSize.expandedTo(minimumSizeHint());
}

// Room for the whole legend, and for a plot that still shows a course.
QSize ProbeChartView::minimumSizeHint() const
{
    return {std::max(legendWidth(fontMetrics(), legend) + 2 * margin,
                     around.left() + around.right() + minimumPlotWidth),
            std::max(minimumChartHeight, around.top() + around.bottom() + minimumPlotHeight)};
}

// The plot takes what the legend above it, the volts axis beside it and the
// time axis under it leave; tick labels may reach past the plot on the
// right, by half a label.
void ProbeChartView::layOut()
{
    const QFontMetrics metrics = fontMetrics();
    tickLabelWidth = QFontMetricsF(font()).horizontalAdvance(QLatin1String(widestTickLabel));
    placeVoltsTicks();
    around = QMargins(margin + valueAxisWidth(font(), voltsTicks),
                      margin + legendHeight(metrics) + margin + metrics.height() / 2,
                      margin + int(std::ceil(tickLabelWidth / 2)),
                      margin + tickLength + 2 * metrics.height());
    plot = rect().marginsRemoved(around);
    plot.setSize(plot.size().expandedTo(QSize(1, 1)));
    placeVoltsTicks();
    placeTicks();
}

// Labels first, for the room they take; then where they go.
void ProbeChartView::placeVoltsTicks()
{
    const double lineHeight = fontMetrics().height();
    double step = voltsStep;
    while (plot.height() > 0 && plot.height() * step / voltsTop < lineHeight * voltsLabelSpacing
           && step < voltsTop)
        step *= 2;
    voltsTicks.clear();
    for (int i = 0; i * step <= voltsTop + step / 1000; ++i) {
        const double volts = i * step;
        voltsTicks << AxisTick{int(std::lround(yOf(volts))), QStaticText(QString::number(volts, 'f', 1))};
        voltsTicks.last().label.prepare(QTransform(), font());
    }
}

void ProbeChartView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void ProbeChartView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        ticks.clear();
        layOut();
        updateGeometry();
    }
}

double ProbeChartView::xOf(qint64 time) const
{
    return plot.left() + double(time - from) * plot.width() / double(to - from);
}

double ProbeChartView::yOf(double volts) const
{
    return plot.bottom() - volts * plot.height() / voltsTop;
}

// Under the plot to the right edge: the tick marks, their labels and dates.
QRect ProbeChartView::timeAxisArea() const
{
    return {QPoint(plot.left(), plot.bottom()), QPoint(width() - 1, height() - 1)};
}

// The ticks of the view and their labels. Labels are laid out only for
// ticks that are new: most views move on by a second and keep every tick
// they had. Ticks fall on round times of the local clock, whose offset from
// UTC is looked up again once a minute, for a change of summer time.
void ProbeChartView::placeTicks()
{
    if (std::abs(from - offsetLookedUp) > offsetLookupMs) {
        offsetLookedUp = from;
        utcOffset = utcOffsetAt(from);
    }
    const int maxTicks = int(plot.width() / (tickLabelWidth * tickLabelSpacing));
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

void ProbeChartView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.fillRect(dirty, background);
    painter.setFont(font());
    if (dirty.top() < plot.top())
        drawLegend(painter, QRect(0, margin, width(), legendHeight(fontMetrics())), legend);
    if (dirty.left() < plot.left())
        drawValueAxis(painter, plot, voltsTicks, tr(voltsTitle));

    QList<int> xs;
    for (const Tick &tick : std::as_const(ticks))
        xs << int(std::lround(xOf(tick.time)));
    QList<int> ys;
    for (const AxisTick &tick : std::as_const(voltsTicks))
        ys << tick.at;
    ys.removeAll(plot.bottom());
    drawGrid(painter, plot, xs, ys);
    drawBottomAxis(painter, plot, xs);
    drawTimeAxis(painter);

    painter.save();
    painter.setClipRect(plot);
    drawLines(painter);
    painter.setRenderHint(QPainter::Antialiasing);
    drawLimits(painter);
    drawEvents(painter);
    drawCursors(painter);
    painter.restore();
    if (hasFocus())
        drawFrame(painter, rect(), palette().color(QPalette::Highlight));
}

// Each label centred under its tick, and the date under the first tick of
// each day; a date is left out where it would run into the one before.
void ProbeChartView::drawTimeAxis(QPainter &painter) const
{
    const double labelTop = plot.bottom() + tickLength;
    const double dateTop = labelTop + fontMetrics().height();
    painter.setPen(textColour);
    double dateEnd = plot.left();
    QString lastDate;
    for (const Tick &tick : ticks) {
        const double x = std::round(xOf(tick.time));
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

// BATT first, so that the converters run over its band. A thin line is
// drawn whole, so that its dashes run on from one segment to the next. The
// wide band is drawn as separate segments: stroked whole, a line that goes
// up and down many times over the same few rows makes a shape whose every
// edge crosses those rows, and filling it cost ten times the rest of the
// chart.
void ProbeChartView::drawLines(QPainter &painter) const
{
    QPolygonF polyline;
    QList<QLineF> segments;
    for (int p = 0; p < probeCount; ++p) {
        const QPen pen = probePen(p);
        painter.setPen(pen);
        for (const QList<QPointF> &stretch : probeLines[std::size_t(p)]) {
            polyline.clear();
            for (const QPointF &point : stretch)
                polyline << QPointF(xOf(qint64(point.x())), yOf(point.y()));
            if (pen.width() <= 1 || polyline.size() < 2) {
                painter.drawPolyline(polyline);
                continue;
            }
            segments.clear();
            for (qsizetype i = 1; i < polyline.size(); ++i)
                segments << QLineF(polyline[i - 1], polyline[i]);
            painter.drawLines(segments);
        }
    }
}

void ProbeChartView::drawLimits(QPainter &painter) const
{
    for (int p = 0; p < probeCount; ++p) {
        painter.setPen(QPen(probeColours[p], limitLineWidth, Qt::DashLine));
        const ProbeLimit &limit = watch.limits()[std::size_t(p)];
        for (double volts : {limit.low, limit.high}) {
            if (!std::isnan(volts)) {
                const double y = pixelCentre(yOf(volts));
                painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
            }
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

void ProbeChartView::drawCursors(QPainter &painter) const
{
    const QFontMetricsF metrics(painter.font());
    for (Cursor which : {A, B}) {
        if (!cursors[which])
            continue;
        const double x = pixelCentre(xOf(*cursors[which]));
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

void ProbeChartView::placeCursor(Cursor which, qint64 time)
{
    cursors[which] = time;
    moved = which;
    update();
    emit cursorsChanged();
}

// The cursor goes to the sample nearest to the click.
void ProbeChartView::mousePressEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    if (event->button() != Qt::LeftButton || !plot.contains(at.toPoint()) || history.isEmpty()) {
        QWidget::mousePressEvent(event);
        return;
    }
    const qint64 time = from + qint64((at.x() - plot.left()) * double(to - from) / plot.width());
    placeCursor(event->modifiers() & Qt::ShiftModifier ? B : A, history.nearest(time).time);
}

// From sample to sample of the view; a cursor not placed yet comes in from
// the side it moves away from. Other keys, Escape among them, go to the
// window.
void ProbeChartView::keyPressEvent(QKeyEvent *event)
{
    const int first = history.lowerBound(from);
    const int last = history.lowerBound(to + 1) - 1;
    const Cursor which = event->modifiers() & Qt::ShiftModifier ? B : A;
    const std::optional<qint64> at = cursors[which];
    int index = 0;
    switch (event->key()) {
    case Qt::Key_Home:
        index = first;
        break;
    case Qt::Key_End:
        index = last;
        break;
    case Qt::Key_Left:
        index = at ? history.lowerBound(*at) - 1 : last;
        break;
    case Qt::Key_Right:
        index = at ? history.lowerBound(*at + 1) : first;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (first <= last)
        placeCursor(which, history.at(std::clamp(index, first, last)).time);
}
