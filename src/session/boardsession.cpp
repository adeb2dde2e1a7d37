// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/boardsession.h"

#include "binding/panelfields.h"
#include "common/hexbyte.h"
#include "device/devicelink.h"

#include <QBuffer>
#include <QDateTime>

namespace {

constexpr int readFailed = -1;

} // namespace

BoardSession::BoardSession(DeviceLink &link) : board(link)
{
}

bool BoardSession::fail(const QString &message)
{
    lastError = message;
    return false;
}

std::optional<int> BoardSession::readRegister(int address)
{
    const int value = board.register_read(address, Activity::DirectAccess);
    if (value == readFailed) {
        fail(QStringLiteral("reading register %1 failed: the board does not answer").arg(hexText(address)));
        return std::nullopt;
    }
    return value;
}

bool BoardSession::writeRegister(int address, int data, bool verify)
{
    if (!board.register_write(address, data, Activity::DirectAccess))
        return fail(QStringLiteral("writing register %1 failed: the board does not answer")
                            .arg(hexText(address)));
    if (!verify)
        return true;
    const std::optional<int> readBack = readRegister(address);
    if (!readBack)
        return false;
    if (*readBack != data)
        return fail(QStringLiteral("register %1 reads back %2 after writing %3")
                            .arg(hexText(address), hexText(*readBack), hexText(data)));
    return true;
}

std::optional<RegisterMirror> BoardSession::readRegisters(const RegisterSet &which)
{
    RegisterMirror registers{};
    for (int address = 0; address < registerMirrorSize; ++address) {
        if (!which[std::size_t(address)])
            continue;
        const std::optional<int> value = readRegister(address);
        if (!value)
            return std::nullopt;
        registers[std::size_t(address)] = quint8(*value);
    }
    return registers;
}

std::optional<QByteArray> BoardSession::dump(const QDateTime &created)
{
    RegisterSet all;
    all.fill(true);
    const std::optional<RegisterMirror> registers = readRegisters(all);
    if (!registers)
        return std::nullopt;
    QBuffer text;
    text.open(QIODevice::WriteOnly);
    write_reg_file(text, registers->data(), registerMirrorSize, created);
    return text.data();
}

std::optional<ReadoutValue> BoardSession::readPanelValue(const PanelReadout &readout)
{
    const ReadoutValue value = readReadout(board, readout.bindingName);
    if (!value.ok) {
        fail(QStringLiteral("reading %1 failed: the board does not answer").arg(QLatin1String(readout.label)));
        return std::nullopt;
    }
    return value;
}

std::optional<ProbeSample> BoardSession::takeSample(qint64 time)
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

std::optional<RegisterMirror> BoardSession::readFields(const QList<PanelField> &fields)
{
    RegisterSet which{};
    for (const PanelField &field : fields) {
        for (const PanelField::Place &place : field.places())
            which[std::size_t(place.address)] = true;
    }
    return readRegisters(which);
}

bool BoardSession::writeField(const PanelField &field, int value)
{
    std::optional<RegisterMirror> registers = readFields({field});
    if (!registers)
        return false;
    field.setValue(*registers, value);
    for (const PanelField::Place &place : field.places()) {
        if (!board.register_write(place.address, registers->at(place.address), Activity::PanelEdit))
            return fail(QStringLiteral("writing register %1 failed: the board does not answer")
                                .arg(hexText(place.address)));
    }
    return true;
}

// The reader takes a read error for the end of the file; here it is told.
bool BoardSession::readable(const QIODevice &file, const QString &fileName)
{
    const QString reason = readFailure(file);
    return reason.isEmpty() || fail(QStringLiteral("cannot read %1: %2").arg(fileName, reason));
}

BoardSession::LoadResult BoardSession::load(QIODevice &file, const QString &fileName,
                                            const DelayCallback &delay,
                                            const ProceedCallback &proceed, int &line)
{
    RegisterMirror registers{};
    int failedWrites = 0;
    int firstFailed = 0;
    const int lines = parse_reg_file(
            file, line, registers.data(), registerMirrorSize,
            [&](int address, int data) {
                if (!board.register_write(address, data, Activity::Load) && failedWrites++ == 0)
                    firstFailed = address;
            },
            delay, {}, proceed);
    if (lines == parseStopped) {
        fail(QStringLiteral("load interrupted at line %1").arg(line));
        return LoadResult::Stopped;
    }
    if (lines == parseSyntaxError) {
        fail(syntaxErrorMessage(fileName, line));
        return LoadResult::SyntaxError;
    }
    if (!readable(file, fileName))
        return LoadResult::ReadError;
    if (failedWrites > 0) {
        fail(QStringLiteral("writing register %1 failed: the board does not answer "
                            "(%2 of the file's writes failed)")
                     .arg(hexText(firstFailed))
                     .arg(failedWrites));
        return LoadResult::WritesFailed;
    }
    return LoadResult::Done;
}

BoardSession::FileResult BoardSession::readReference(QIODevice &file, const QString &fileName,
                                                     RegisterReference &reference, int &errorLine)
{
    if (readRegisterReference(file, errorLine, reference) == parseSyntaxError) {
        fail(syntaxErrorMessage(fileName, errorLine));
        return FileResult::SyntaxError;
    }
    if (!readable(file, fileName))
        return FileResult::ReadError;
    if (reference.namesNoRegister()) {
        fail(QStringLiteral("%1 names no register").arg(fileName));
        return FileResult::NamesNoRegister;
    }
    return FileResult::Read;
}
