// SPDX-License-Identifier: GPL-3.0-or-later
#include "registerfilecommands.h"

#include "common/trace.h"
#include "regfile/appendfile.h"
#include "regfile/filesave.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>

#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
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
// Without success, reason says why.
bool openRegularFile(QFile &file, const QString &fileName, QString &reason)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = qt_error_string(errno);
        return false;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        reason = notRegularFileReason();
        return false;
    }
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
#else
    file.setFileName(fileName);
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile()) {
        reason = notRegularFileReason();
        return false;
    }
    if (file.open(QIODevice::ReadOnly))
        return true;
#endif
    reason = file.errorString();
    return false;
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
    QString reason;
    if (!openRegularFile(file, fileName, reason)) {
        showFileError(QStringLiteral("File Error!"), fileName, reason);
        return;
    }
    int errorLine = 0;
    if (parse_reg_file(file, errorLine, m_registers.data(), int(m_registers.size()),
                       m_registerWrite) == -1) {
        showFileError(syntaxErrorMessage(fileName, errorLine));
        return;
    }
    // A read error ends the file early; what was read stays in force, but
    // the load is no success.
    reason = readFailure(file);
    if (!reason.isEmpty())
        showFileError(QStringLiteral("File Error!"), fileName, reason);
}
