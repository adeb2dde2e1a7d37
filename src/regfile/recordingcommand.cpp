// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/recordingcommand.h"

#include "common/trace.h"
#include "regfile/filedialogs.h"
#include "regfile/filesave.h"
#include "regfile/registerrecorder.h"

#include <QAction>
#include <QDateTime>

RecordingCommand::RecordingCommand(RegisterRecorder &recorder, QAction &action,
                                   QWidget *dialogParent)
    : recorder(recorder), action(action), dialogParent(dialogParent)
{
    // The box waits until the operation whose write failed has ended, so
    // that no other board call comes between its transfers.
    connect(&recorder, &RegisterRecorder::failed, this, &RecordingCommand::showState);
    connect(&recorder, &RegisterRecorder::failed, this, &RecordingCommand::showFailure,
            Qt::QueuedConnection);
    showState();
}

void RecordingCommand::toggle()
{
    if (recorder.isRecording())
        stop();
    else
        start();
}

void RecordingCommand::start()
{
    const QString fileName = askSaveFileName(dialogParent, tr("Record Register Writes"),
                                             registerFileFilter(), QStringLiteral("qrx"));
    if (fileName.isEmpty())
        return;
    qCDebug(lcTrace, "recording into %s", qUtf8Printable(fileName));
    if (!recorder.start(fileName, QDateTime::currentDateTime()))
        showFailure(fileName, recorder.errorString());
    showState();
}

void RecordingCommand::stop()
{
    if (!recorder.stop())
        showFailure(recorder.fileName(), recorder.errorString());
    showState();
}

void RecordingCommand::showState()
{
    action.setText(recorder.isRecording() ? tr("Stop Recording") : tr("Record Register Writes…"));
}

void RecordingCommand::showFailure(const QString &fileName, const QString &reason)
{
    showFileError(QStringLiteral("File Error!"), fileName, reason);
}
