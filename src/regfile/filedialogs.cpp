// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/filedialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

namespace {

constexpr char folderKey[] = "fileDialogs/lastFolder";
// Before the user has chosen any folder: where the program was started.
constexpr char firstFolder[] = ".";

QString askFileName(QFileDialog &dialog)
{
    QSettings settings;
    dialog.setDirectory(settings.value(QLatin1String(folderKey), QLatin1String(firstFolder)).toString());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString fileName = dialog.selectedFiles().constFirst();
    settings.setValue(QLatin1String(folderKey), QFileInfo(fileName).absolutePath());
    return fileName;
}

} // namespace

QString askSaveFileName(QWidget *parent, const QString &caption, const QString &filter,
                        const QString &suffix)
{
    QFileDialog dialog(parent, caption, {}, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    return askFileName(dialog);
}

QString askOpenFileName(QWidget *parent, const QString &caption, const QString &filter)
{
    QFileDialog dialog(parent, caption, {}, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return askFileName(dialog);
}

QString registerFileFilter()
{
    return QCoreApplication::translate("MainWindow", "QRX register files (*.qrx)");
}
