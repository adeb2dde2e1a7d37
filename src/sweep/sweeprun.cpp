// SPDX-License-Identifier: GPL-3.0-or-later
#include "sweep/sweeprun.h"

#include "binding/fieldcodec.h"
#include "common/trace.h"
#include "device/devicelink.h"

#include <utility>

QList<int> SweepPlan::steps() const
{
    const QList<int> values = field.valueIndices();
    const int from = int(values.indexOf(fromIndex));
    const int to = int(values.indexOf(toIndex));
    QList<int> indices;
    if (from < 0 || to < 0)
        return indices;
    const int direction = to >= from ? 1 : -1;
    for (int v = from; v != to + direction; v += direction)
        indices << values.at(v);
    if (upAndDown) {
        for (int k = int(indices.size()) - 2; k >= 0; --k)
            indices << indices.at(k);
    }
    return indices;
}

std::optional<SweepPlan> planSweep(const QString &fieldName, const QString &from, const QString &to,
                                   QString &error)
{
    const QList<SweepField> fields = sweepFields(panelFields());
    const std::optional<SweepField> field = findSweepField(fields, fieldName);
    if (!field) {
        error = QStringLiteral("unknown field '%1' (the fields: %2)").arg(fieldName, sweepFieldList(fields));
        return std::nullopt;
    }
    SweepPlan plan;
    plan.field = *field;
    for (const auto &[value, index] : {std::pair{from, &plan.fromIndex}, std::pair{to, &plan.toIndex}}) {
        const std::optional<int> found = field->indexOfValue(value);
        if (!found) {
            error = QStringLiteral("%1 has no value '%2' (its values: %3)").arg(field->name, value, field->valueList());
            return std::nullopt;
        }
        *index = *found;
    }
    return plan;
}

SweepRun::SweepRun(SweepPlan plan, DeviceLink &link, RegisterMirror &mirror, QObject *parent)
    : QObject(parent), sweepPlan(std::move(plan)), link(link), mirror(mirror),
      stepIndices(sweepPlan.steps()),
      valueBefore(FieldCodec::valueFromMirror(sweepPlan.field.choice, mirror))
{
}

int SweepRun::advance()
{
    // A stop drops the step at hand, whose readings are not all taken.
    if ((phase == Phase::Write && position >= stepCount())
        || (stopWanted && (phase == Phase::Write || phase == Phase::Read)))
        phase = Phase::Restore;
    switch (phase) {
    case Phase::Write: {
        const int index = stepIndices.at(position);
        qCDebug(lcTrace, "sweep step %d of %d: %s", position + 1, stepCount(),
                qPrintable(sweepPlan.field.items.value(index)));
        if (!writeValue(FieldCodec::valueForIndex(sweepPlan.field.choice, index)))
            return failAtStep();
        phase = Phase::Read;
        readingsTaken = 0;
        sums = {};
        return sweepPlan.settleMs;
    }
    case Phase::Read:
        if (!takeReading())
            return failAtStep();
        if (++readingsTaken >= sweepPlan.readings)
            endStep();
        return 0;
    case Phase::Restore:
        if (sweepPlan.restore && !writeValue(valueBefore))
            return fail(tr("the board stopped answering as %1 was restored").arg(sweepPlan.field.name));
        finish();
        return finishedTurn;
    case Phase::Done:
        break;
    }
    return finishedTurn;
}

void SweepRun::stop()
{
    stopWanted = true;
}

// As a panel edit of the combo box with Auto write on: the first register
// goes to the chip before the second one changes.
bool SweepRun::writeValue(unsigned value)
{
    const FieldBinding &field = sweepPlan.field.choice;
    FieldCodec::storeFirstPart(field, value, mirror);
    bool answered = link.register_write(field.address, mirror.at(field.address), Activity::PanelEdit);
    if (answered && field.secondAddress != -1) {
        FieldCodec::storeSecondPart(field, value, mirror);
        answered = link.register_write(field.secondAddress, mirror.at(field.secondAddress),
                                       Activity::PanelEdit);
    }
    emit fieldWritten();
    return answered;
}

bool SweepRun::takeReading()
{
    for (int p = 0; p < probeCount; ++p) {
        const ReadoutValue value = readReadout(link, panelProbes[p].bindingName);
        if (!value.ok)
            return false;
        sums[std::size_t(p)] += value.volts;
    }
    const int value = link.register_read(probeStatusRegister, Activity::Sweep);
    if (value < 0)
        return false;
    status = quint8(value);
    mirror.at(probeStatusRegister) = status;
    return true;
}

void SweepRun::endStep()
{
    SweepRow row;
    row.step = position + 1;
    row.index = stepIndices.at(position);
    row.time = clock.now();
    for (int p = 0; p < probeCount; ++p)
        row.volts[std::size_t(p)] = sums[std::size_t(p)] / readingsTaken;
    row.status = status;
    taken << row;
    ++position;
    phase = Phase::Write;
    emit rowTaken(row);
}

int SweepRun::fail(const QString &what)
{
    failureText = what;
    finish();
    return finishedTurn;
}

int SweepRun::failAtStep()
{
    return fail(tr("the board stopped answering at step %1 of %2 (%3)")
                        .arg(position + 1)
                        .arg(stepCount())
                        .arg(sweepPlan.field.items.value(stepIndices.at(position))));
}

void SweepRun::finish()
{
    phase = Phase::Done;
    emit finished();
}

void runSweep(SweepRun &run, const std::function<bool(int milliseconds)> &wait)
{
    for (int ms = run.advance(); ms != SweepRun::finishedTurn; ms = run.advance()) {
        if (!wait(ms))
            run.stop();
    }
}
