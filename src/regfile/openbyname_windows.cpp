// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/openbyname.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>

// Windows passes names as text, which the bytes encode.
int openByName(QFile &file, const QByteArray &fileName, QString &reason)
{
    file.setFileName(QFile::decodeName(fileName));
    if (file.open(QIODevice::ReadOnly))
        return 0;
    reason = file.errorString();
    return EIO;
}
