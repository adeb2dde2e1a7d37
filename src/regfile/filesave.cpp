// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/filesave.h"

#include "regfile/appendfile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>

bool saveFile(const QString &fileName, QIODevice::OpenMode mode,
              const std::function<bool(QIODevice &)> &writeContents)
{
    // A FIFO, a socket or a device node (/dev/null for one) would be
    // replaced by a regular file; it is left alone instead. The check
    // follows symbolic links, so a link to a regular file is written
    // through, as the save itself does.
    const QFileInfo target(fileName);
    if (target.exists() && !target.isFile()) {
        showFileError(QStringLiteral("File Error!"), fileName, notRegularFileReason());
        return false;
    }
    // The contents are made in memory, then written to the file unbuffered,
    // so that every failed write is seen with its reason; only a file that
    // was written whole is put in place.
    QBuffer contents;
    contents.open(QIODevice::WriteOnly | mode);
    if (!writeContents(contents)) {
        showFileError(QStringLiteral("File Error!"), fileName, contents.errorString());
        return false;
    }
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        && writeWhole(file, contents.data()) && file.commit())
        return true;
    showFileError(QStringLiteral("File Error!"), fileName, file.errorString());
    return false;
}

void showFileError(const QString &text, const QString &fileName, const QString &reason)
{
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Error"));
    box.setText(text);
    if (!fileName.isEmpty())
        box.setInformativeText(reason.isEmpty() ? fileName
                                                : QStringLiteral("%1: %2").arg(fileName, reason));
    box.exec();
}
