// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/filesave.h"

#include "regfile/filereplace.h"

#include <QBuffer>
#include <QMessageBox>

bool saveFile(const QString &fileName, QIODevice::OpenMode mode,
              const std::function<bool(QIODevice &)> &writeContents)
{
    // The contents are made in memory, then put in place whole.
    QBuffer contents;
    contents.open(QIODevice::WriteOnly | mode);
    if (!writeContents(contents)) {
        showFileError(QStringLiteral("File Error!"), fileName, contents.errorString());
        return false;
    }
    QString reason;
    if (replaceFile(fileName, contents.data(), reason))
        return true;
    showFileError(QStringLiteral("File Error!"), fileName, reason);
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
