// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_SWEEPWINDOW_H
#define ZQ40613_SWEEPWINDOW_H

#include "common/registermirror.h"
#include "sweep/sweeprun.h"

#include <QDialog>
#include <QList>
#include <QTimer>

#include <memory>

class DeviceLink;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;
class SweepChart;

// Tools ▸ Sweep…: steps a field of the panel through its values and
// measures what follows, as a table and a chart beside it, saved as CSV or
// a picture. The sweep runs in turns on the window's timer, so the window
// (and the program) is painted and answers throughout; a turn makes a few
// board calls at most. Each write of the field is a panel edit: the owner
// shows it on the panel when told by fieldWritten(). Closing the window
// only hides it; a sweep goes on.
class SweepWindow : public QDialog
{
    Q_OBJECT

public:
    SweepWindow(const QList<SweepField> &fields, DeviceLink &link, RegisterMirror &mirror,
                QWidget *parent);
    ~SweepWindow() override;

    bool isSweeping() const { return run != nullptr && !run->isFinished(); }

    // While held, no turn is taken: one that falls due waits for the release.
    // Nothing of a sweep reaches the board while a register file loads.
    void holdTurns();
    void releaseTurns();

signals:
    // A sweep begins, and has ended: in between, nothing else of the
    // program's own is to call the board (poll and reconnection ticks wait).
    void sweepStarted();
    void sweepFinished();
    void fieldWritten();

private:
    void fieldChosen(int position);
    void runOrStop();
    void start();
    void takeTurn();
    void addRow(const SweepRow &row);
    void finish();
    void setPlanEditable(bool editable);
    void showProgress();
    void saveCsv();
    void copyRows();
    void saveImage();
    QString rowsText(QChar separator) const;

    QList<SweepField> fields;
    DeviceLink &link;
    RegisterMirror &mirror;
    std::unique_ptr<SweepRun> run;
    QTimer turnTimer;
    bool held = false;
    bool turnDue = false;

    QComboBox *fieldChoice;
    QComboBox *fromChoice;
    QComboBox *toChoice;
    QSpinBox *settle;
    QSpinBox *readings;
    QCheckBox *upAndDown;
    QCheckBox *restore;
    QPushButton *runButton;
    QLabel *progress;
    QTableWidget *table;
    QWidget *chartPane;
    SweepChart *chart;
    QLabel *trips;
};

#endif
