// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/regularfile.h"

#include "regfile/appendfile.h"

#include <QFile>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool fail(QString &reason, const QString &why)
{
    reason = why;
    return false;
}

bool failWithErrno(QString &reason)
{
    return fail(reason, qt_error_string(errno));
}

// Hands the open descriptor to file, which closes it from then on.
bool adopt(QFile &file, int fd, QIODevice::OpenMode mode, QString &reason)
{
    if (file.open(fd, mode, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    return fail(reason, file.errorString());
}

// Opens without blocking and keeps the descriptor only if what was opened
// is a regular file; -1, with the reason, otherwise.
int openChecked(const QString &fileName, int flags, QString &reason)
{
    const int fd = ::open(QFile::encodeName(fileName).constData(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        failWithErrno(reason);
        return -1;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        fail(reason, notRegularFileReason());
        return -1;
    }
    return fd;
}

} // namespace

FileKind fileKindAt(const QString &fileName)
{
    struct stat status {};
    if (::stat(QFile::encodeName(fileName).constData(), &status) != 0)
        return FileKind::missing;
    return S_ISREG(status.st_mode) ? FileKind::regular : FileKind::other;
}

bool openRegularFile(QFile &file, const QString &fileName, QString &reason)
{
    const int fd = openChecked(fileName, O_RDONLY, reason);
    return fd >= 0 && adopt(file, fd, QIODevice::ReadOnly, reason);
}

bool createRegularFile(QFile &file, const QString &fileName, QString &reason)
{
    // The type is also checked on the name first, so that a FIFO is not
    // even opened: that alone would reach whoever waits at its other end.
    if (fileKindAt(fileName) == FileKind::other)
        return fail(reason, notRegularFileReason());
    const int fd = openChecked(fileName, O_WRONLY | O_CREAT, reason);
    if (fd < 0)
        return false;
    if (::ftruncate(fd, 0) != 0 || ::fcntl(fd, F_SETFL, 0) != 0) {
        const QString why = qt_error_string(errno);
        ::close(fd);
        return fail(reason, why);
    }
    return adopt(file, fd, QIODevice::WriteOnly | QIODevice::Unbuffered, reason);
}

bool syncFile(QFile &file, QString &reason)
{
    return ::fsync(file.handle()) == 0 || failWithErrno(reason);
}

bool isSameFile(const QFileDevice &one, const QFileDevice &other)
{
    struct stat mine {};
    struct stat theirs {};
    return ::fstat(one.handle(), &mine) == 0 && ::fstat(other.handle(), &theirs) == 0
           && mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}
