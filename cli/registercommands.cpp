// SPDX-License-Identifier: GPL-3.0-or-later
#include "registercommands.h"

#include "binding/probecsv.h"
#include "binding/probesample.h"
#include "common/hexbyte.h"
#include "common/runclock.h"
#include "device/devicelink.h"
#include "common/chip.h"
#include "interruption.h"
#include "nativeio.h"
#include "regfile/registerfile.h"
#include "sweep/sweepcsv.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <utility>

namespace {

constexpr int readFailed = -1;
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
    : link(link), noBoardReason(std::move(noBoardReason)), out(out), err(err)
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
        file = parseFile(*input, fileName);
        if (!file)
            return exitBadUsage;
    }

    // A watch that keeps going waits for the board, and says why it waits.
    const bool keepGoing = invocation.command == Command::Probes && invocation.keepGoing;
    if (!link.openBoard()) {
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
    const std::optional<int> value = readRegister(address);
    if (!value)
        return exitBoardFailure;
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
    if (!link.register_write(address, data, Activity::DirectAccess))
        return fail(QStringLiteral("writing register %1 failed: the board does not answer")
                            .arg(hexText(address)));
    if (!verifyWrite)
        return exitSuccess;
    const std::optional<int> readBack = readRegister(address);
    if (!readBack)
        return exitBoardFailure;
    if (*readBack != data)
        return fail(QStringLiteral("register %1 reads back %2 after writing %3")
                            .arg(hexText(address), hexText(*readBack), hexText(data)));
    return exitSuccess;
}

int RegisterCommands::dump()
{
    RegisterMirror registers{};
    for (int address = 0; address < registerMirrorSize; ++address) {
        const std::optional<int> value = readRegister(address);
        if (!value)
            return exitBoardFailure;
        registers[std::size_t(address)] = quint8(*value);
    }
    QBuffer text;
    text.open(QIODevice::WriteOnly);
    write_reg_file(text, registers.data(), registerMirrorSize, QDateTime::currentDateTime());
    return succeed(QString::fromLatin1(text.data()));
}

int RegisterCommands::load(QIODevice &file, const QString &fileName)
{
    RegisterMirror registers{};
    int failedWrites = 0;
    int firstFailed = 0;
    int errorLine = 0;
    // Ctrl+C stops the file between two statements, or in a wait, and says
    // at which line, so that a file applied in part is never taken for one
    // applied whole.
    const InterruptCatcher interrupt;
    // Like the desktop program's Load, a failed write does not stop the file.
    const int lines = parse_reg_file(
            file, errorLine, registers.data(), registerMirrorSize,
            [&](int address, int data) {
                if (!link.register_write(address, data, Activity::Load) && failedWrites++ == 0)
                    firstFailed = address;
            },
            [&interrupt](int milliseconds) { interrupt.sleep(milliseconds); }, {},
            [&interrupt](int) { return !interrupt.caught(); });
    if (lines == parseStopped)
        return fail(QStringLiteral("load interrupted at line %1").arg(errorLine), exitInterrupted);
    if (lines == parseSyntaxError)
        return fail(syntaxErrorMessage(fileName, errorLine), exitBadUsage);
    if (!readWithoutError(file, fileName))
        return exitBadUsage;
    if (failedWrites > 0)
        return fail(QStringLiteral("writing register %1 failed: the board does not answer "
                                   "(%2 of the file's writes failed)")
                            .arg(hexText(firstFailed))
                            .arg(failedWrites));
    return exitSuccess;
}

int RegisterCommands::verify(const RegisterReference &file, bool showBits)
{
    RegisterMirror chip{};
    for (int address = 0; address < registerMirrorSize; ++address) {
        if (!file.named[std::size_t(address)])
            continue;
        const std::optional<int> value = readRegister(address);
        if (!value)
            return exitBoardFailure;
        chip[std::size_t(address)] = quint8(*value);
    }
    // The bits come in register order, so each register's line goes before
    // its first bit.
    QString differences;
    int listed = -1;
    for (const BitDifference &d : differingBits(chip, file)) {
        const int expected = file.values[std::size_t(d.address)];
        const int actual = chip[std::size_t(d.address)];
        if (d.address != listed)
            differences += QStringLiteral("register %1: file %2, chip %3\n")
                                   .arg(hexText(d.address), hexText(expected), hexText(actual));
        listed = d.address;
        if (showBits)
            differences += QStringLiteral("  bit %1  file %2  chip %3  %4\n")
                                   .arg(d.bit)
                                   .arg((expected >> d.bit) & 1)
                                   .arg((actual >> d.bit) & 1)
                                   .arg(QLatin1String(bitName(d.address, d.bit)));
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
        const std::optional<ReadoutValue> value = readPanelValue(readout);
        if (!value)
            return exitBoardFailure;
        result += QString::fromLatin1(readout.label).leftJustified(width) + value->text
                  + QLatin1Char('\n');
    }
    return succeed(result);
}

// Keeping going, a failed read writes one gap line for the loss (once a
// sample was taken before it, as the desktop program's recording does) and
// each later tick opens the board again until it answers.
int RegisterCommands::watchProbes(int intervalMs, bool keepGoing)
{
    if (!print(probeCsvHeader()))
        return exitBoardFailure;

    // Samples follow a fixed schedule from the start; one that comes late
    // (a slow board) is followed by the next tick still ahead, not by a burst.
    // They are stamped with the run's clock, so a step of the wall clock
    // does not upset their intervals.
    const RunClock runClock;
    bool sampleSinceGap = false;
    for (qint64 tick = 0;; tick = runClock.elapsed() / intervalMs + 1) {
        const qint64 wait = tick * intervalMs - runClock.elapsed();
        if (wait > 0)
            QThread::msleep(static_cast<unsigned long>(wait));
        if (!link.isConnected() && !link.openBoard())
            continue;
        const qint64 time = runClock.now();
        const std::optional<ProbeSample> sample = takeSample(time);
        if (!sample && !keepGoing)
            return exitBoardFailure;
        if (sample ? !print(probeCsvLine(*sample))
                   : sampleSinceGap && !print(probeCsvGapLine(time)))
            return exitBoardFailure;
        sampleSinceGap = sample.has_value();
    }
}

// The lines go out as the steps are taken. Ctrl+C stops the sweep before
// its next step, which restores the field as the end of a sweep does.
int RegisterCommands::sweep(const SweepPlan &plan)
{
    RegisterMirror registers{};
    const int unanswered = readFieldRegisters(link, plan.field, registers);
    if (unanswered >= 0)
        return fail(QStringLiteral("reading register %1 failed: the board does not answer").arg(hexText(unanswered)));
    if (!print(sweepCsvHeader(plan.field)))
        return exitBoardFailure;
    SweepRun run(plan, link, registers);
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

std::optional<ProbeSample> RegisterCommands::takeSample(qint64 time)
{
    ProbeSample sample;
    sample.time = time;
    for (int probe = 0; probe < probeCount; ++probe) {
        const std::optional<ReadoutValue> value = readPanelValue(panelProbes[probe]);
        if (!value)
            return std::nullopt;
        sample.volts[std::size_t(probe)] = value->volts;
    }
    const std::optional<int> status = readRegister(probeStatusRegister);
    if (!status)
        return std::nullopt;
    sample.status = quint8(*status);
    return sample;
}

std::unique_ptr<QFile> RegisterCommands::openInput(const QByteArray &fileName)
{
    auto file = std::make_unique<QFile>();
    QString reason;
    if (fileName == standardInput) {
        if (file->open(standardInputDescriptor, QIODevice::ReadOnly))
            return file;
        reason = file->errorString();
    } else if (openByName(*file, fileName, reason)) {
        return file;
    }
    fail(QStringLiteral("cannot open %1: %2").arg(QFile::decodeName(fileName), reason), exitBadUsage);
    return nullptr;
}

// The reader takes a read error for the end of the file; here it is told.
bool RegisterCommands::readWithoutError(const QIODevice &file, const QString &fileName)
{
    const QString reason = readFailure(file);
    if (reason.isEmpty())
        return true;
    fail(QStringLiteral("cannot read %1: %2").arg(fileName, reason), exitBadUsage);
    return false;
}

std::optional<RegisterReference> RegisterCommands::parseFile(QIODevice &file,
                                                             const QString &fileName)
{
    RegisterReference parsed;
    int errorLine = 0;
    if (readRegisterReference(file, errorLine, parsed) == parseSyntaxError) {
        fail(syntaxErrorMessage(fileName, errorLine), exitBadUsage);
        return std::nullopt;
    }
    if (!readWithoutError(file, fileName))
        return std::nullopt;
    // A file that names nothing would pass as a chip that matches it.
    if (parsed.namesNoRegister()) {
        fail(QStringLiteral("%1 names no register").arg(fileName), exitBadUsage);
        return std::nullopt;
    }
    return parsed;
}

std::optional<int> RegisterCommands::readRegister(int address)
{
    const int value = link.register_read(address, Activity::DirectAccess);
    if (value == readFailed) {
        fail(QStringLiteral("reading register %1 failed: the board does not answer").arg(hexText(address)));
        return std::nullopt;
    }
    return value;
}

std::optional<ReadoutValue> RegisterCommands::readPanelValue(const PanelReadout &readout)
{
    const ReadoutValue value = readReadout(link, readout.bindingName);
    if (!value.ok) {
        fail(QStringLiteral("reading %1 failed: the board does not answer")
                     .arg(QLatin1String(readout.label)));
        return std::nullopt;
    }
    return value;
}

int RegisterCommands::fail(const QString &message, int status)
{
    err << programName << ": " << message << '\n';
    err.flush();
    return status;
}

int RegisterCommands::succeed(const QString &result)
{
    return print(result) ? exitSuccess : exitBoardFailure;
}

bool RegisterCommands::print(const QString &text)
{
    return printChecked(out, err, text);
}
