// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_APPENDFILE_H
#define ZQ40613_APPENDFILE_H

#include <QElapsedTimer>
#include <QFile>
#include <QString>

class QByteArray;
class QIODevice;

// Why a file command refused a FIFO, a socket, a device or a folder: the
// program writes and reads its files only as regular files.
QString notRegularFileReason();

// Writes all of bytes. A write that stops part way (a disk that fills up)
// is tried again for the rest, so that the failure, if it is one, comes
// with the system's reason in the device's errorString().
bool writeWhole(QIODevice &device, const QByteArray &bytes);

// A recording on disk that grows a line at a time. Each line reaches the
// operating system as soon as it is appended, so a crash or kill of the
// program loses no line already taken; the file is synced to the disk once
// syncIntervalMs have passed since the last sync, and when it is closed, so
// a power cut loses at most that much. Only a regular file is recorded
// into: opening a FIFO would wait for a reader, and a device is no record.
// Every failure leaves the reason the system gave in errorString().
class AppendFile
{
public:
    static constexpr qint64 syncIntervalMs = 10'000;

    AppendFile() = default;
    AppendFile(const AppendFile &) = delete;
    AppendFile &operator=(const AppendFile &) = delete;
    ~AppendFile() { close(); }

    // Creates the file, or empties the one there.
    bool open(const QString &fileName);
    bool isOpen() const { return file.isOpen(); }

    // Writes the whole line (its line end included); false if not all of it
    // could be written, or the sync that fell due failed. A write that stops
    // part way is taken back, so the file still ends with a whole line.
    bool append(const QByteArray &line);

    // Whether other is open on the file appended to: the same file by
    // identity, whatever name or link reached it.
    bool isFileOf(const QFileDevice &other) const;

    // Syncs now, for a recording that goes quiet: lines appended since the
    // last sync would otherwise wait for the next append or the close.
    bool sync();

    // Syncs and closes; false if the last sync failed. Closing a file that
    // is not open does nothing and succeeds.
    bool close();

    QString fileName() const { return path; }
    QString errorString() const { return error; }

private:
    bool fail(const QString &reason);

    QFile file;
    QString path;
    QElapsedTimer sinceSync;
    QString error;
};

#endif
