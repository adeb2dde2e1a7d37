// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/filesave.h"

#include <QMessageBox>
#include <QSaveFile>

bool saveFile(const QString &fileName, QIODevice::OpenMode mode,
              const std::function<bool(QIODevice &)> &writeContents)
{
    // The explicit flush matters: commit() does not notice a buffered write
    // that fails while the file is closed, and would put the short file in
    // place.
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    if (file.open(QIODevice::WriteOnly | mode) && writeContents(file) && file.flush()
        && file.commit())
        return true;
    showFileError(QStringLiteral("File Error!"));
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
