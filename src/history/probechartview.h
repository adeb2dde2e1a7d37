// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PROBECHARTVIEW_H
#define ZQ40613_PROBECHARTVIEW_H

#include "binding/probesample.h"
#include "history/probehistory.h"

#include <QChartView>
#include <QList>
#include <QPen>
#include <QStaticText>

#include <array>
#include <limits>
#include <optional>

class LimitWatch;

// The chart of the probe history with what is drawn over it: each probe's
// line, the time axis with its ticks on round times and the date, each
// probe's limits as dashed lines in its colour, the limit events as marks
// where they happened, and two cursors. The chart itself holds only the
// volts axis and the legend: a line series of Qt Charts strokes its whole
// outline again at every move of the axes, which cost a fifth of a redraw. A click in the chart places cursor A on the nearest sample, a
// shift-click cursor B.
class ProbeChartView : public QChartView
{
    Q_OBJECT

public:
    enum Cursor { A, B };

    ProbeChartView(QChart *chart, const ProbeHistory &history, const LimitWatch &watch,
                   QWidget *parent = nullptr);

    // How a probe's line is drawn: its colour and a dash pattern of its own,
    // so that lines on the same value stay apart.
    static QPen probePen(int probe);

    // What the axes span: time from..to, volts 0..voltsTop, and the lines
    // drawn there (time in ms since the epoch, volts).
    void setView(qint64 from, qint64 to, double voltsTop,
                 std::array<ProbeLine, probeCount> lines = {});
    const std::array<ProbeLine, probeCount> &lines() const { return probeLines; }

    std::optional<qint64> cursor(Cursor which) const { return cursors[which]; }
    bool hasCursors() const { return cursors[A] || cursors[B]; }
    void clearCursors();

signals:
    void cursorsChanged();

protected:
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    struct Tick
    {
        qint64 time;
        qint64 step;
        QStaticText label;
        QStaticText date;
    };

    QFont labelFont() const;
    void placeTicks();
    double xOf(qint64 time) const;
    double yOf(double volts) const;
    void drawTimeAxis(QPainter &painter, const QRectF &plot) const;
    void drawLines(QPainter &painter) const;
    void drawLimits(QPainter &painter, const QRectF &plot) const;
    void drawEvents(QPainter &painter) const;
    void drawCursors(QPainter &painter, const QRectF &plot) const;

    const ProbeHistory &history;
    const LimitWatch &watch;
    qint64 from = 0;
    qint64 to = 1;
    double voltsTop = 1.0;
    std::array<ProbeLine, probeCount> probeLines;
    std::array<std::optional<qint64>, 2> cursors;
    QList<Tick> ticks;
    QFont measuredFont;
    double tickLabelWidth = 0.0;
    qint64 utcOffset = 0;
    qint64 offsetLookedUp = std::numeric_limits<qint64>::min() / 2;
    QStaticText startDate; // the date, when there is no tick
};

#endif
