// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PROBERECORDING_H
#define ZQ40613_PROBERECORDING_H

#include "regfile/appendfile.h"

#include <QObject>
#include <QTimer>

struct ProbeSample;

// The probe samples written to disk as they are taken, in the CSV format of
// zq40613-reg probes --watch: a header, then a line per sample, and a gap
// line where the board was lost. Every line reaches the system at once and
// the file is synced at least every AppendFile::syncIntervalMs, however
// quiet the recording, and when it stops. A file that would hold more data
// lines than rowsPerFile (by default what a spreadsheet takes) is continued
// in NAME-2.csv, NAME-3.csv and so on, each with its header. A write that fails stops the recording.
class ProbeRecording : public QObject
{
    Q_OBJECT

public:
    // The row limit of common spreadsheets, less the header line.
    static constexpr qint64 spreadsheetRows = 1'048'575;

    explicit ProbeRecording(qint64 rowsPerFile = spreadsheetRows, QObject *parent = nullptr);

    // Records into the file (created, or emptied), its header first; false,
    // with the reason in errorString(), when it cannot be.
    bool start(const QString &fileName);
    void stop();

    bool isRecording() const { return file.isOpen(); }
    // The file the lines go to now: the one started, or a continuation.
    QString fileName() const { return file.fileName(); }
    QString errorString() const { return file.errorString(); }

    // Both do nothing while not recording.
    void record(const ProbeSample &sample);
    void recordGap(qint64 time);

    // The file that continues NAME.csv as its part-th (2 and on).
    static QString partName(const QString &fileName, int part);

signals:
    // The recording started, went on in another file or stopped.
    void fileChanged();
    // A write failed and the recording stopped.
    void failed(const QString &fileName, const QString &reason);

private:
    bool openPart();
    void write(const QString &line);
    void sync();
    void fail();

    const qint64 rowsPerFile;
    AppendFile file;
    QString firstName;
    int part = 0;
    qint64 rows = 0;
    QTimer syncTimer;
};

#endif
