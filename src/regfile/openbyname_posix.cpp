// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/openbyname.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

// By the bytes of the name, so that a name that is no valid text still
// reaches its file.
int openByName(QFile &file, const QByteArray &fileName, QString &reason)
{
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
}
