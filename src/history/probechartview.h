// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PROBECHARTVIEW_H
#define ZQ40613_PROBECHARTVIEW_H

#include "binding/probesample.h"
#include "common/chartpainting.h"
#include "history/probehistory.h"

#include <QList>
#include <QPen>
#include <QStaticText>
#include <QWidget>

#include <array>
#include <limits>
#include <optional>

class LimitWatch;

// The chart of the probe history, drawn here whole: the legend, the volts
// axis, the time axis with its ticks on round times and the date, the grid,
// each probe's line, each probe's limits as dashed lines in its colour, the
// limit events as marks where they happened, and two cursors. As the view
// moves on, only the plot and the time axis under it are painted again.
//
// A click places cursor A on the nearest sample, a shift-click cursor B. In
// the keyboard's hands Left and Right move cursor A from sample to sample
// of the view, Home and End to its first and last; with Shift, cursor B.
class ProbeChartView : public QWidget
{
    Q_OBJECT

public:
    enum Cursor { A, B };
    // The volts axis's ticks, from 0 V.
    static constexpr double voltsStep = 0.5;

    ProbeChartView(const ProbeHistory &history, const LimitWatch &watch, QWidget *parent = nullptr);

    // How a probe's line is drawn: its colour and a dash pattern of its own,
    // so that lines on the same value stay apart.
    static QPen probePen(int probe);

    // What the axes span: time from..to, volts 0..voltsTop, and the lines
    // drawn there (time in ms since the epoch, volts).
    void setView(qint64 from, qint64 to, double voltsTop,
                 std::array<ProbeLine, probeCount> lines = {});
    qint64 viewFrom() const { return from; }
    qint64 viewTo() const { return to; }
    const std::array<ProbeLine, probeCount> &lines() const { return probeLines; }
    const QList<ChartPainting::LegendEntry> &legendEntries() const { return legend; }
    QRect plotArea() const { return plot; }

    std::optional<qint64> cursor(Cursor which) const { return cursors[which]; }
    bool hasCursors() const { return cursors[A] || cursors[B]; }
    // The cursor placed or moved last.
    Cursor lastMoved() const { return moved; }
    void clearCursors();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void cursorsChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Tick
    {
        qint64 time;
        qint64 step;
        QStaticText label;
        QStaticText date;
    };

    void layOut();
    void placeVoltsTicks();
    void placeTicks();
    void placeCursor(Cursor which, qint64 time);
    double xOf(qint64 time) const;
    double yOf(double volts) const;
    QRect timeAxisArea() const;
    void drawTimeAxis(QPainter &painter) const;
    void drawLines(QPainter &painter) const;
    void drawLimits(QPainter &painter) const;
    void drawEvents(QPainter &painter) const;
    void drawCursors(QPainter &painter) const;

    const ProbeHistory &history;
    const LimitWatch &watch;
    qint64 from = 0;
    qint64 to = 1;
    double voltsTop = 1.0;
    std::array<ProbeLine, probeCount> probeLines;
    std::array<std::optional<qint64>, 2> cursors;
    Cursor moved = A;
    QList<ChartPainting::LegendEntry> legend;
    QList<ChartPainting::AxisTick> voltsTicks;
    QMargins around; // the plot's distance from each edge
    QRect plot;
    QList<Tick> ticks;
    double tickLabelWidth = 0.0;
    qint64 utcOffset = 0;
    qint64 offsetLookedUp = std::numeric_limits<qint64>::min() / 2;
    QStaticText startDate; // the date, when there is no tick
};

#endif
