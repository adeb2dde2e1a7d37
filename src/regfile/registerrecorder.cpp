// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/registerrecorder.h"

#include "regfile/registerfile.h"

#include <QDateTime>

#include <algorithm>
#include <climits>

namespace {

// Pins are keyed by group and pin together; both are below 256.
int pinKey(int group, int pin)
{
    constexpr int pinsPerGroup = 256;
    return group * pinsPerGroup + pin;
}

QString timeOfDay()
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz"));
}

} // namespace

bool RegisterRecorder::start(const QString &fileName, const QDateTime &began)
{
    sinceWrite.invalidate();
    if (!file.open(fileName))
        return false;
    const QByteArray origin = "Recording of register writes, begun "
                              + began.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")).toLatin1();
    if (!file.append(registerFileHeader(origin)
                     + "# Pin actions and writes the board did not answer are comments: they are"
                       " not replayed.\n")) {
        file.close();
        return false;
    }
    return true;
}

bool RegisterRecorder::stop()
{
    return file.close();
}

void RegisterRecorder::namePin(int group, int pin, const QString &name)
{
    pinNames.insert(pinKey(group, pin), name);
}

void RegisterRecorder::recordTransfer(const RegisterTransfer &transfer)
{
    if (!transfer.write || !isRecording())
        return;
    const QByteArray statement = registerWriteLine(transfer.address, transfer.data);
    if (!transfer.ok) {
        appendComment(QStringLiteral("not answered: ") + QString::fromLatin1(statement.trimmed()));
        return;
    }
    // The pause is taken before any line is written, so that the time the
    // disk takes is not counted into it.
    QByteArray lines;
    if (sinceWrite.isValid()) {
        // The reader takes at most INT_MAX milliseconds a statement.
        for (qint64 pause = sinceWrite.restart(); pause >= shortestPauseMs; pause -= INT_MAX)
            lines += delayLine(int(std::min<qint64>(pause, INT_MAX)));
    } else {
        sinceWrite.start();
    }
    append(lines + statement);
}

void RegisterRecorder::recordPin(const PinAction &action)
{
    if (!isRecording())
        return;
    QString pin = QStringLiteral("pin %1.%2").arg(action.group).arg(action.pin);
    const QString name = pinNames.value(pinKey(action.group, action.pin));
    if (!name.isEmpty())
        pin = QStringLiteral("%1 (%2)").arg(name, pin);
    appendComment(QStringLiteral("%1 = %2").arg(pin).arg(action.level));
}

void RegisterRecorder::appendComment(const QString &text)
{
    append("# " + timeOfDay().toLatin1() + ' ' + text.toUtf8() + '\n');
}

void RegisterRecorder::append(const QByteArray &line)
{
    if (file.append(line))
        return;
    const QString reason = file.errorString();
    file.close();
    emit failed(file.fileName(), reason);
}
