// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/appendfile.h"

#include <QByteArray>
#include <QCoreApplication>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QFileInfo>
#ifdef Q_OS_WIN
#include <io.h>
#endif
#endif

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
#ifdef Q_OS_UNIX
    // Without blocking, and the type checked on the name and again on what
    // was opened: a FIFO would otherwise hold the program until some reader
    // came along.
    const QByteArray name = QFile::encodeName(fileName);
    struct stat status {};
    if (::stat(name.constData(), &status) == 0 && !S_ISREG(status.st_mode))
        return fail(notRegularFileReason());
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return fail(notRegularFileReason());
    }
    if (::ftruncate(fd, 0) != 0 || ::fcntl(fd, F_SETFL, 0) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return fail(reason);
    }
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
        return fail(file.errorString());
#else
    file.setFileName(fileName);
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile())
        return fail(notRegularFileReason());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return fail(file.errorString());
#endif
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
    if (!file.isOpen() || !other.isOpen())
        return false;
#ifdef Q_OS_UNIX
    struct stat mine {};
    struct stat theirs {};
    return ::fstat(file.handle(), &mine) == 0 && ::fstat(other.handle(), &theirs) == 0
           && mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
#else
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(other.fileName()).canonicalFilePath();
#endif
}

bool AppendFile::sync()
{
    sinceSync.restart();
#ifdef Q_OS_UNIX
    if (::fsync(file.handle()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
#elif defined(Q_OS_WIN)
    if (file.handle() >= 0 && ::_commit(file.handle()) != 0)
        return fail(QCoreApplication::translate("AppendFile", "the file could not be synced"));
#endif
    return true;
}

bool AppendFile::close()
{
    if (!file.isOpen())
        return true;
    const bool synced = sync();
    file.close();
    return synced;
}
