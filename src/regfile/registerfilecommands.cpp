// SPDX-License-Identifier: GPL-3.0-or-later
#include "registerfilecommands.h"

#include "common/trace.h"
#include "regfile/filedialogs.h"
#include "regfile/filesave.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>

#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QFileInfo>
#endif

namespace {

constexpr char startDirectory[] = ".";

QString fileFilter()
{
    return QCoreApplication::translate("MainWindow", "QRX register files (*.qrx)");
}

// Opens a register file for loading, only if it is a regular file. Opening a
// FIFO would wait for a writer and freeze the window for good, and a device
// may never end: neither is opened that far. The opening itself does not
// block, and the type is checked on what was opened, not on the name.
bool openRegularFile(QFile &file, const QString &fileName)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return false;
    }
    return file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
#else
    file.setFileName(fileName);
    return QFileInfo(fileName).isFile() && file.open(QIODevice::ReadOnly);
#endif
}

} // namespace

RegisterFileCommands::RegisterFileCommands(QWidget *dialogParent, RegisterMirror &registers,
                                           RegisterWriteCallback registerWrite)
    : m_dialogParent(dialogParent), m_registers(registers),
      m_registerWrite(std::move(registerWrite))
{
}

void RegisterFileCommands::save()
{
    qCDebug(lcTrace, "on_actionSave_Registers_activated()");
    const QString fileName = QFileDialog::getSaveFileName(
        m_dialogParent, QCoreApplication::translate("MainWindow", "Save File"),
        QString::fromLatin1(startDirectory), fileFilter());
    if (fileName.isEmpty())
        return;
    qCDebug(lcTrace, "filename = %s", qUtf8Printable(fileName));

    saveFile(fileName, QIODevice::Text, [this](QIODevice &file) {
        return write_reg_file(file, m_registers.data(), int(m_registers.size()),
                              QDateTime::currentDateTime());
    });
}

void RegisterFileCommands::load()
{
    qCDebug(lcTrace, "on_actionLoad_Registers_activated()");
    const QString fileName = QFileDialog::getOpenFileName(
        m_dialogParent, QCoreApplication::translate("MainWindow", "Load File"),
        QString::fromLatin1(startDirectory), fileFilter());
    if (fileName.isEmpty())
        return;
    qCDebug(lcTrace, "filename = %s", qUtf8Printable(fileName));

    QFile file;
    if (!openRegularFile(file, fileName)) {
        showFileError(QStringLiteral("File Error!"));
        return;
    }
    int errorLine = 0;
    if (parse_reg_file(file, errorLine, m_registers.data(), int(m_registers.size()),
                       m_registerWrite) == -1) {
        showFileError(syntaxErrorMessage(fileName, errorLine));
    }
}

std::optional<RegisterReference> askReferenceFile(QWidget *dialogParent, QString &fileName)
{
    fileName = askOpenFileName(dialogParent, QCoreApplication::translate("MainWindow", "Compare With File"),
                               fileFilter());
    if (fileName.isEmpty())
        return std::nullopt;
    qCDebug(lcTrace, "reference filename = %s", qUtf8Printable(fileName));
    QFile file;
    if (!openRegularFile(file, fileName)) {
        showFileError(QStringLiteral("File Error!"), fileName);
        return std::nullopt;
    }
    RegisterReference reference;
    int errorLine = 0;
    if (readRegisterReference(file, errorLine, reference) == -1) {
        showFileError(syntaxErrorMessage(fileName, errorLine));
        return std::nullopt;
    }
    // The reader takes a read error for the end of the file; a reference
    // cut short would leave registers out of the comparison unnoticed.
    if (file.error() != QFileDevice::NoError) {
        showFileError(QStringLiteral("File Error!"), fileName, file.errorString());
        return std::nullopt;
    }
    return reference;
}
