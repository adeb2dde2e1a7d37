// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/openbyname.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

int openByName(QFile &file, const QByteArray &fileName, QString &reason)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(fileName.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        reason = qt_error_string(error);
        return error;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        reason = file.errorString();
        return EIO;
    }
    return 0;
#else
    file.setFileName(QFile::decodeName(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return EIO;
    }
    return 0;
#endif
}
