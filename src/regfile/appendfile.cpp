// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/appendfile.h"

#include "regfile/regularfile.h"

#include <QByteArray>
#include <QCoreApplication>

QString notRegularFileReason()
{
    return QCoreApplication::translate("FileSave", "not a regular file");
}

bool writeWhole(QIODevice &device, const QByteArray &bytes)
{
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = device.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

bool AppendFile::fail(const QString &reason)
{
    error = reason;
    return false;
}

bool AppendFile::open(const QString &fileName)
{
    close();
    error.clear();
    path = fileName;
    QString reason;
    if (!createRegularFile(file, fileName, reason))
        return fail(reason);
    sinceSync.start();
    return true;
}

bool AppendFile::append(const QByteArray &line)
{
    if (!file.isOpen())
        return fail(QCoreApplication::translate("AppendFile", "the file is not open"));
    // Unbuffered: this is the write to the operating system itself.
    const qint64 whole = file.pos();
    if (!writeWhole(file, line)) {
        const QString reason = file.errorString();
        file.resize(whole);
        return fail(reason);
    }
    return !sinceSync.hasExpired(syncIntervalMs) || sync();
}

bool AppendFile::isFileOf(const QFileDevice &other) const
{
    return file.isOpen() && other.isOpen() && isSameFile(file, other);
}

bool AppendFile::sync()
{
    sinceSync.restart();
    QString reason;
    return syncFile(file, reason) || fail(reason);
}

bool AppendFile::close()
{
    if (!file.isOpen())
        return true;
    const bool synced = sync();
    file.close();
    return synced;
}
