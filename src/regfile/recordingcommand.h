// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_RECORDINGCOMMAND_H
#define ZQ40613_RECORDINGCOMMAND_H

#include <QObject>

class QAction;
class QWidget;
class RegisterRecorder;

// File ▸ "Record Register Writes…": asks for a register file and records
// into it; while recording the entry reads "Stop Recording" and ends it. A
// recording that cannot be started or written shows "File Error!" with the
// file and the reason, and the entry offers to record again.
class RecordingCommand : public QObject
{
    Q_OBJECT

public:
    RecordingCommand(RegisterRecorder &recorder, QAction &action, QWidget *dialogParent);

    // What the menu entry does: start or stop, as it reads.
    void toggle();

private:
    void start();
    void stop();
    void showState();
    void showFailure(const QString &fileName, const QString &reason);

    RegisterRecorder &recorder;
    QAction &action;
    QWidget *dialogParent;
};

#endif
