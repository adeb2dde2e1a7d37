// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PROBEHISTORYWINDOW_H
#define ZQ40613_PROBEHISTORYWINDOW_H

#include "binding/probesample.h"
#include "history/limitwatch.h"
#include "history/proberecording.h"

#include <QDialog>
#include <QList>
#include <QTimer>

#include <array>

class ProbeChartView;
class ProbeHistory;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
class RunClock;
struct RecordedSample;

// The probe history as a chart: one line per probe over the time of day,
// with limits, their events, cursors and statistics, and the recording of
// the samples to disk. The time axis ends at the present, or where "Pause"
// held it, and spans the chosen width. A thin view: it reads the history,
// never the board. The recording, the limits and their events work from
// the start, shown or not; what only shows them, the chart and every other
// widget, is built when the window is first shown, and drawn only while it
// is. Closing the window only hides it.
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

    // clock: the run's time, which the samples are stamped with.
    ProbeHistoryWindow(ProbeHistory &history, const RunClock &clock, QWidget *parent);
    ~ProbeHistoryWindow() override;

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct LimitEdits
    {
        QLineEdit *low = nullptr;
        QLineEdit *high = nullptr;
    };

    void build();
    QWidget *makeLimits();
    QWidget *makeStatistics();
    void historyChanged();
    void sampleTaken(const RecordedSample &sample);
    void spanChosen(int index);
    void togglePause();
    void clearHistory();
    void saveCsv();
    void saveImage();
    void toggleRecording();
    void recordingChanged();
    void limitsEdited();
    void saveEvents();
    void redraw();
    void showStatistics();
    void showCursors();
    qint64 viewEnd() const;

    // What works hidden.
    ProbeHistory &history;
    const RunClock &clock;
    ProbeRecording recording;
    LimitWatch watch;
    bool stopAtLimit = false;
    QTimer liveTimer;
    bool paused = false;
    qint64 pausedAt = 0;
    qint64 viewFrom = 0;
    qint64 viewTo = 0;

    // What shows it, from the first show on.
    ProbeChartView *chartView = nullptr;
    QComboBox *spanChoice = nullptr;
    QPushButton *pauseButton = nullptr;
    QPushButton *recordButton = nullptr;
    QListWidget *eventList = nullptr;
    std::array<LimitEdits, probeCount> limitEdits;
    QLabel *limitProblems = nullptr;
    QLabel *statisticsSpan = nullptr;
    QTableWidget *statistics = nullptr; // min, max, mean by probe
    std::array<QLabel *, 3> cursorText{}; // A, B, and the differences
};

#endif
