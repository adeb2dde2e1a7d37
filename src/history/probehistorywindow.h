// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PROBEHISTORYWINDOW_H
#define ZQ40613_PROBEHISTORYWINDOW_H

#include "binding/probesample.h"

#include <QDialog>
#include <QList>

#include <array>

class ProbeHistory;
class QChart;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLineSeries;
class QPushButton;
class QValueAxis;

// The probe history as a chart: one line per probe over wall-clock time.
// The time axis ends at the newest sample, or where "Pause" held it, and
// spans the chosen width. A thin view: it reads the history, never the board,
// and draws only while it is shown. Closing it only hides it.
class ProbeHistoryWindow : public QDialog
{
    Q_OBJECT

public:
    // What the view may span; whole history is the width 0.
    struct Span
    {
        const char *text;
        qint64 width;
    };
    static constexpr Span spans[] = {
        {QT_TR_NOOP("1 minute"), 60'000},
        {QT_TR_NOOP("10 minutes"), 600'000},
        {QT_TR_NOOP("1 hour"), 3'600'000},
        {QT_TR_NOOP("Whole history"), 0},
    };
    static constexpr int defaultSpan = 1;

    ProbeHistoryWindow(ProbeHistory &history, QWidget *parent);
    ~ProbeHistoryWindow() override;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void historyChanged();
    void togglePause();
    void clearHistory();
    void saveCsv();
    void saveImage();
    void redraw();
    qint64 viewEnd() const;
    QLineSeries *stretchSeries(int probe, int stretch);

    ProbeHistory &history;
    QChart *chart = nullptr;
    QChartView *chartView = nullptr;
    QDateTimeAxis *timeAxis = nullptr;
    QValueAxis *voltsAxis = nullptr;
    // Per probe, one series for each unbroken stretch of its line; only the
    // first has a legend entry.
    std::array<QList<QLineSeries *>, probeCount> lines;
    QComboBox *spanChoice = nullptr;
    QPushButton *pauseButton = nullptr;
    bool paused = false;
    qint64 pausedAt = 0;
};

#endif
