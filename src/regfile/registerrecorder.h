// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_REGISTERRECORDER_H
#define ZQ40613_REGISTERRECORDER_H

#include "device/registertransfer.h"
#include "regfile/appendfile.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>

class QDateTime;

// Records a bench session as a register file that loads back into the same
// writes: every register write the board answered becomes a register
// statement with the write mark, in the order the writes were made, and a
// pause of shortestPauseMs or more between two of them a delay statement in
// front of the later one. What a register file cannot replay is written as
// a comment line with its time: a pin driven, and a write the board did not
// answer (it did not reach the chip in the session, so replaying it would
// leave the next board in another state; taking away the "# " replays it).
// Each line goes to the file as it happens; a line that cannot be written
// ends the recording.
class RegisterRecorder : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 shortestPauseMs = 10;

    // Starts a recording into fileName, replacing what the file held; the
    // header says when it began. False, with the reason in errorString(),
    // when the file cannot be made or the header not written.
    bool start(const QString &fileName, const QDateTime &began);
    // Ends the recording; false, with the reason, when the file's last
    // lines could not be synced to the disk.
    bool stop();
    bool isRecording() const { return file.isOpen(); }
    QString fileName() const { return file.fileName(); }
    QString errorString() const { return file.errorString(); }
    // Whether other is open on the file recorded into, by whatever name.
    bool isRecordingInto(const QFileDevice &other) const { return file.isFileOf(other); }

    // How a pin is named in its comment lines: as the panel labels it.
    void namePin(int group, int pin, const QString &name);

    // What the device link announces.
    void recordTransfer(const RegisterTransfer &transfer);
    void recordPin(const PinAction &action);

signals:
    // A line could not be written and the recording has ended.
    void failed(const QString &fileName, const QString &reason);

private:
    void append(const QByteArray &line);
    void appendComment(const QString &text);

    AppendFile file;
    // Since the last write recorded as a statement; invalid before the first.
    QElapsedTimer sinceWrite;
    QHash<int, QString> pinNames;
};

#endif
