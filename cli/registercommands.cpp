// SPDX-License-Identifier: GPL-3.0-or-later
#include "registercommands.h"

#include "binding/probecsv.h"
#include "common/chip.h"
#include "common/hexbyte.h"
#include "device/devicelink.h"
#include "interruption.h"
#include "regfile/openbyname.h"
#include "session/probewatch.h"
#include "sweep/sweepcsv.h"

#include <QDateTime>
#include <QFile>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <utility>

namespace {

constexpr int highestBit = 7;
constexpr char standardInput[] = "-";
// The file descriptor of standard input in every C runtime. Read through it,
// not through stdio, whose end of a pipe Qt takes for a read error on
// Windows.
constexpr int standardInputDescriptor = 0;
// Room between a read-out's label and its value.
constexpr int labelGap = 2;

} // namespace

bool printChecked(QTextStream &out, QTextStream &err, const QString &text)
{
    out << text;
    out.flush();
    if (out.status() == QTextStream::Ok)
        return true;
    err << programName << ": cannot write output: " << out.device()->errorString() << '\n';
    err.flush();
    return false;
}

RegisterCommands::RegisterCommands(DeviceLink &link, QString noBoardReason, QTextStream &out,
                                   QTextStream &err)
    : session(link), noBoardReason(std::move(noBoardReason)), out(out), err(err)
{
}

int RegisterCommands::run(const Invocation &invocation)
{
    using Command = Invocation::Command;
    const QString fileName = QFile::decodeName(invocation.fileName);
    std::unique_ptr<QFile> input;
    std::optional<RegisterReference> file;
    if (invocation.command == Command::Load || invocation.command == Command::Verify) {
        input = openInput(invocation.fileName);
        if (!input)
            return exitBadUsage;
    }
    // Verify only reads, so a bad file is rejected before the board is opened.
    // Load works like the desktop program's: its lines take effect one by one
    // and a syntax error stops it there.
    if (invocation.command == Command::Verify) {
        int errorLine = 0;
        file.emplace();
        if (session.readReference(*input, fileName, *file, errorLine) != BoardSession::FileResult::Read)
            return sessionFailed(exitBadUsage);
    }

    // A watch that keeps going waits for the board, and says why it waits.
    const bool keepGoing = invocation.command == Command::Probes && invocation.keepGoing;
    if (!session.link().openBoard()) {
        fail(noBoardReason);
        if (!keepGoing)
            return exitBoardFailure;
    }

    switch (invocation.command) {
    case Command::Read:
        return read(invocation.address, invocation.showBits);
    case Command::Write:
        return write(invocation.address, invocation.data, invocation.verifyWrite);
    case Command::Dump:
        return dump();
    case Command::Load:
        return load(*input, fileName);
    case Command::Verify:
        return verify(*file, invocation.showBits);
    case Command::Pins:
        return printReadouts(panelPins);
    case Command::Probes:
        return invocation.watchIntervalMs > 0 ? watchProbes(invocation.watchIntervalMs, keepGoing)
                                              : printReadouts(panelProbes);
    case Command::Sweep:
        return sweep(invocation.sweep);
    case Command::Help:
    case Command::Version:
        break;
    }
    return fail(QStringLiteral("not a board command"), exitBadUsage);
}

int RegisterCommands::read(int address, bool showBits)
{
    const std::optional<int> value = session.readRegister(address);
    if (!value)
        return sessionFailed();
    QString result = hexText(*value) + QLatin1Char('\n');
    if (showBits) {
        for (int bit = highestBit; bit >= 0; --bit) {
            result += QStringLiteral("bit %1  %2  %3\n")
                              .arg(bit)
                              .arg((*value >> bit) & 1)
                              .arg(QLatin1String(bitName(address, bit)));
        }
    }
    return succeed(result);
}

int RegisterCommands::write(int address, int data, bool verifyWrite)
{
    return session.writeRegister(address, data, verifyWrite) ? exitSuccess : sessionFailed();
}

int RegisterCommands::dump()
{
    const std::optional<QByteArray> text = session.dump(QDateTime::currentDateTime());
    return text ? succeed(QString::fromLatin1(*text)) : sessionFailed();
}

int RegisterCommands::load(QIODevice &file, const QString &fileName)
{
    // Ctrl+C stops the file between two statements, or in a wait, and says
    // at which line, so that a file applied in part is never taken for one
    // applied whole.
    const InterruptCatcher interrupt;
    int line = 0;
    switch (session.load(
            file, fileName, [&interrupt](int milliseconds) { interrupt.sleep(milliseconds); },
            [&interrupt](int) { return !interrupt.caught(); }, line)) {
    case BoardSession::LoadResult::Done:
        return exitSuccess;
    case BoardSession::LoadResult::Stopped:
        return sessionFailed(exitInterrupted);
    case BoardSession::LoadResult::SyntaxError:
    case BoardSession::LoadResult::ReadError:
        return sessionFailed(exitBadUsage);
    case BoardSession::LoadResult::WritesFailed:
        break;
    }
    return sessionFailed();
}

int RegisterCommands::verify(const RegisterReference &file, bool showBits)
{
    const std::optional<RegisterMirror> read = session.readRegisters(file.named);
    if (!read)
        return sessionFailed();
    QString differences;
    for (const RegisterDifference &d : differingRegisters(*read, file)) {
        differences += QStringLiteral("register %1: file %2, chip %3\n")
                               .arg(hexText(d.address), hexText(d.reference), hexText(d.value));
        for (const int bit : showBits ? d.bits : QList<int>{})
            differences += QStringLiteral("  bit %1  file %2  chip %3  %4\n")
                                   .arg(bit)
                                   .arg(bitOf(d.reference, bit))
                                   .arg(bitOf(d.value, bit))
                                   .arg(QLatin1String(bitName(d.address, bit)));
    }
    // The differences are the command's result, printed like any other; the
    // exit status tells a script that there are some.
    if (!print(differences))
        return exitBoardFailure;
    return differences.isEmpty() ? exitSuccess : exitBoardFailure;
}

template <std::size_t N>
int RegisterCommands::printReadouts(const PanelReadout (&table)[N])
{
    int width = 0;
    for (const PanelReadout &readout : table)
        width = std::max(width, int(qstrlen(readout.label)) + labelGap);
    QString result;
    for (const PanelReadout &readout : table) {
        const std::optional<ReadoutValue> value = session.readPanelValue(readout);
        if (!value)
            return sessionFailed();
        result += QString::fromLatin1(readout.label).leftJustified(width) + value->text
                  + QLatin1Char('\n');
    }
    return succeed(result);
}

// Each failed read is told on standard error as it happens; keeping going,
// the watch goes on after it.
int RegisterCommands::watchProbes(int intervalMs, bool keepGoing)
{
    if (!print(probeCsvHeader()))
        return exitBoardFailure;
    ProbeWatch watch(session, intervalMs, keepGoing);
    const auto sleep = [](int milliseconds) {
        QThread::msleep(static_cast<unsigned long>(milliseconds));
        return true;
    };
    for (;;) {
        const ProbeWatch::Step step = watch.next(sleep);
        if (step.kind != ProbeWatch::Step::Sample)
            sessionFailed();
        if (step.kind == ProbeWatch::Step::Failed)
            return exitBoardFailure;
        if (step.kind != ProbeWatch::Step::Lost && !print(step.csvLine()))
            return exitBoardFailure;
    }
}

// The lines go out as the steps are taken. Ctrl+C stops the sweep before
// its next step, which restores the field as the end of a sweep does.
int RegisterCommands::sweep(const SweepPlan &plan)
{
    // The field's registers as the chip holds them: a step changes only the
    // field's bits of them, and the end restores those.
    std::optional<RegisterMirror> registers = session.readFields({plan.field});
    if (!registers)
        return sessionFailed();
    if (!print(sweepCsvHeader(plan.field)))
        return exitBoardFailure;
    SweepRun run(plan, session.link(), *registers);
    bool written = true;
    QObject::connect(&run, &SweepRun::rowTaken, [&](const SweepRow &row) {
        written = written && print(sweepCsvLine(plan.field, row));
    });
    const InterruptCatcher interrupt;
    runSweep(run, [&](int milliseconds) {
        interrupt.sleep(milliseconds);
        return written && !interrupt.caught();
    });
    if (!run.failure().isEmpty())
        return fail(QStringLiteral("sweep: %1").arg(run.failure()));
    if (!written)
        return exitBoardFailure;
    if (interrupt.caught())
        return fail(QStringLiteral("sweep interrupted at step %1 of %2%3")
                            .arg(run.stepNumber())
                            .arg(run.stepCount())
                            .arg(plan.restore ? QStringLiteral("; %1 restored").arg(plan.field.name) : QString()),
                    exitInterrupted);
    return exitSuccess;
}

std::unique_ptr<QFile> RegisterCommands::openInput(const QByteArray &fileName)
{
    auto file = std::make_unique<QFile>();
    QString reason;
    if (fileName == standardInput) {
        if (file->open(standardInputDescriptor, QIODevice::ReadOnly))
            return file;
        reason = file->errorString();
    } else if (openByName(*file, fileName, reason) == 0) {
        return file;
    }
    fail(QStringLiteral("cannot open %1: %2").arg(QFile::decodeName(fileName), reason), exitBadUsage);
    return nullptr;
}

int RegisterCommands::fail(const QString &message, int status)
{
    err << programName << ": " << message << '\n';
    err.flush();
    return status;
}

// Tells why the session's last call failed.
int RegisterCommands::sessionFailed(int status)
{
    return fail(session.error(), status);
}

int RegisterCommands::succeed(const QString &result)
{
    return print(result) ? exitSuccess : exitBoardFailure;
}

bool RegisterCommands::print(const QString &text)
{
    return printChecked(out, err, text);
}
