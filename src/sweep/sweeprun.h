// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_SWEEPRUN_H
#define ZQ40613_SWEEPRUN_H

#include "binding/probesample.h"
#include "common/registermirror.h"
#include "common/runclock.h"
#include "sweep/sweepfield.h"

#include <QList>
#include <QObject>

#include <functional>
#include <optional>

class DeviceLink;

// What a sweep is to do: step a field from one of its values to another
// (downwards too), and with upAndDown back again; after each step wait
// settleMs, then take readings readings and keep their mean.
struct SweepPlan
{
    static constexpr int defaultSettleMs = 100;
    static constexpr int defaultReadings = 1;
    static constexpr int longestSettleMs = 3600000;
    static constexpr int mostReadings = 1000;

    SweepField field;
    int fromIndex = 0; // item indices of the field
    int toIndex = 0;
    int settleMs = defaultSettleMs;
    int readings = defaultReadings;
    bool upAndDown = false;
    bool restore = true; // the field's value from before, at the end

    // The item index set at each step: the field's values from the one to
    // the other, then back without setting the turning value twice.
    QList<int> steps() const;
};

// The plan of a sweep as a user writes it, for programs without the window:
// the field by its name in the register map (in any case), the values as its
// items read, with or without the unit ("1.1", "1.100V"); the rest as at
// first. Empty, with what is wrong in error, for a field or value the panel
// does not have: "unknown field 'Buck4' (the fields: Buck1 Output voltage,
// ...)", "Buck1 Output voltage has no value '1.12' (its values: 1.100V,
// ...)".
std::optional<SweepPlan> planSweep(const QString &fieldName, const QString &from, const QString &to,
                                   QString &error);

// One step's result: the mean of its readings of each probe and the status
// register as its last reading found it.
struct SweepRow
{
    int step = 0;  // from 1
    int index = 0; // the item set
    qint64 time = 0; // of the last reading, milliseconds since the epoch
    ProbeVolts volts = noReadings();
    quint8 status = 0;
};

// One sweep on the board, cut into turns that each take a few board calls
// at most: a write of the field, or one reading. Whoever runs it waits
// between turns as advance() asks, by a timer in the window or a sleep
// without one, and the same turns make the same rows and the same traffic.
//
// The traffic is the sweep's alone: each step writes the field's register as
// a panel edit does (from the register mirror, announced as a panel edit),
// then each reading converts the four probes and reads the status register
// once; at the end one more write restores the field. A board call that
// fails ends the sweep there, keeping the rows taken.
class SweepRun : public QObject
{
    Q_OBJECT

public:
    // What advance() gives once there is nothing left to do.
    static constexpr int finishedTurn = -1;

    SweepRun(SweepPlan plan, DeviceLink &link, RegisterMirror &mirror, QObject *parent = nullptr);

    // Takes the next turn; how many milliseconds to wait before the one
    // after, or finishedTurn.
    int advance();
    // The sweep ends before its next step: the next turn restores the field
    // (when the plan says so). A step whose readings are not all taken
    // leaves no row.
    void stop();

    const SweepPlan &plan() const { return sweepPlan; }
    int stepCount() const { return int(stepIndices.size()); }
    // The step at hand, from 1; stepCount() once all are done.
    int stepNumber() const { return std::min(position + 1, stepCount()); }
    const QList<SweepRow> &rows() const { return taken; }
    bool isFinished() const { return phase == Phase::Done; }
    bool wasStopped() const { return stopWanted; }
    // Why the board ended the sweep ("the board stopped answering at step 4
    // of 9 (1.250V)"), or empty.
    const QString &failure() const { return failureText; }

signals:
    // The field has a new value in the mirror, written to the chip.
    void fieldWritten();
    void rowTaken(const SweepRow &row);
    void finished();

private:
    enum class Phase { Write, Read, Restore, Done };

    bool writeValue(unsigned value);
    bool takeReading();
    void endStep();
    int fail(const QString &what);
    // Ends the sweep at the step at hand, naming it and its value.
    int failAtStep();
    void finish();

    SweepPlan sweepPlan;
    DeviceLink &link;
    RegisterMirror &mirror;
    QList<int> stepIndices;
    unsigned valueBefore = 0;
    RunClock clock;
    Phase phase = Phase::Write;
    int position = 0;
    int readingsTaken = 0;
    ProbeVolts sums{};
    quint8 status = 0;
    bool stopWanted = false;
    QList<SweepRow> taken;
    QString failureText;
};

// Runs a sweep to its end on the calling thread, for programs without an
// event loop: wait(ms) sleeps between turns and returns false once the
// sweep is to stop (an interrupt), which it then does at the next step.
void runSweep(SweepRun &run, const std::function<bool(int milliseconds)> &wait);

#endif
