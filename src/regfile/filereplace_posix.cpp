// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/filereplace.h"

#include "regfile/appendfile.h"
#include "regfile/regularfile.h"

#include <QSaveFile>

bool replaceFile(const QString &fileName, const QByteArray &contents, QString &reason)
{
    // A FIFO, a socket or a device node (/dev/null for one) would be
    // replaced by a regular file; it is left alone instead. The check
    // follows symbolic links, so a link to a regular file is written
    // through, as QSaveFile does.
    if (fileKindAt(fileName) == FileKind::other) {
        reason = notRegularFileReason();
        return false;
    }
    // Unbuffered, so that every failed write is seen with its reason.
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && writeWhole(file, contents)
        && file.commit())
        return true;
    reason = file.errorString();
    return false;
}
