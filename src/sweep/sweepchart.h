// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_SWEEPCHART_H
#define ZQ40613_SWEEPCHART_H

#include "sweep/sweeprun.h"

#include <QList>
#include <QPen>
#include <QWidget>

// A sweep drawn as it goes: for a field that a probe follows, the probe's
// reading against the value set, with the ideal (reading = value set)
// dashed; for a field that a status bit follows, the bit against the value
// set, the steps going up and those coming down apart, with the trip
// points marked. The value axis spans the plan's values from the start, so
// the chart keeps its scale while rows come in.
class SweepChart : public QWidget
{
    Q_OBJECT

public:
    explicit SweepChart(QWidget *parent = nullptr);

    void setPlan(const SweepPlan &plan);
    void setRows(const QList<SweepRow> &rows);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Scale;

    void drawProbe(QPainter &painter, const Scale &scale, const QPen &reading, const QPen &ideal) const;
    void drawStatusBit(QPainter &painter, const Scale &scale, const QPen &rising, const QPen &falling) const;
    double measured(const SweepRow &row) const;

    bool planned = false;
    SweepField field;
    double lowest = 0.0;
    double highest = 1.0;
    QList<SweepRow> rows;
};

#endif
