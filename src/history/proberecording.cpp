// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/proberecording.h"

#include "binding/probecsv.h"
#include "binding/probesample.h"

#include <QFileInfo>

ProbeRecording::ProbeRecording(qint64 rowsPerFile, QObject *parent)
    : QObject(parent), rowsPerFile(rowsPerFile)
{
    syncTimer.setInterval(int(AppendFile::syncIntervalMs));
    connect(&syncTimer, &QTimer::timeout, this, &ProbeRecording::sync);
}

bool ProbeRecording::start(const QString &fileName)
{
    stop();
    firstName = fileName;
    part = 1;
    if (!openPart())
        return false;
    syncTimer.start();
    emit fileChanged();
    return true;
}

void ProbeRecording::stop()
{
    if (!isRecording())
        return;
    syncTimer.stop();
    const bool synced = file.close();
    emit fileChanged();
    if (!synced)
        emit failed(file.fileName(), file.errorString());
}

bool ProbeRecording::openPart()
{
    rows = 0;
    return file.open(partName(firstName, part)) && file.append(probeCsvHeader().toLatin1());
}

QString ProbeRecording::partName(const QString &fileName, int part)
{
    if (part <= 1)
        return fileName;
    const QString suffix = QFileInfo(fileName).suffix();
    const QString number = QLatin1Char('-') + QString::number(part);
    if (suffix.isEmpty())
        return fileName + number;
    return fileName.chopped(int(suffix.size()) + 1) + number + QLatin1Char('.') + suffix;
}

void ProbeRecording::record(const ProbeSample &sample)
{
    if (isRecording())
        write(probeCsvLine(sample));
}

void ProbeRecording::recordGap(qint64 time)
{
    if (isRecording())
        write(probeCsvGapLine(time));
}

void ProbeRecording::write(const QString &line)
{
    if (rows == rowsPerFile) {
        ++part;
        if (!file.close() || !openPart()) {
            fail();
            return;
        }
        emit fileChanged();
    }
    if (!file.append(line.toLatin1())) {
        fail();
        return;
    }
    ++rows;
}

void ProbeRecording::sync()
{
    if (isRecording() && !file.sync())
        fail();
}

// The file is closed without a word more; what it holds stays.
void ProbeRecording::fail()
{
    syncTimer.stop();
    const QString name = file.fileName();
    const QString reason = file.errorString();
    file.close();
    emit fileChanged();
    emit failed(name, reason);
}
