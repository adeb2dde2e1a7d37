// SPDX-License-Identifier: GPL-3.0-or-later
#include "registerfilecommands.h"

#include "common/trace.h"
#include "regfile/appendfile.h"
#include "regfile/filedialogs.h"
#include "regfile/filesave.h"
#include "regfile/loadprogress.h"
#include "regfile/registerrecorder.h"
#include "regfile/regularfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include <utility>

namespace {

constexpr char startDirectory[] = ".";

bool isSameFile(const QString &one, const QString &other)
{
    const QString canonical = QFileInfo(one).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(other).canonicalFilePath();
}

} // namespace

RegisterFileCommands::RegisterFileCommands(QWidget *dialogParent, RegisterMirror &registers,
                                           RegisterWriteCallback registerWrite,
                                           const RegisterRecorder *recorder)
    : m_dialogParent(dialogParent), m_registers(registers),
      m_registerWrite(std::move(registerWrite)), m_recorder(recorder)
{
}

void RegisterFileCommands::save()
{
    qCDebug(lcTrace, "on_actionSave_Registers_activated()");
    const QString fileName = QFileDialog::getSaveFileName(
        m_dialogParent, QCoreApplication::translate("MainWindow", "Save File"),
        QString::fromLatin1(startDirectory), registerFileFilter());
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
        QString::fromLatin1(startDirectory), registerFileFilter());
    if (fileName.isEmpty())
        return;
    qCDebug(lcTrace, "filename = %s", qUtf8Printable(fileName));

    if (m_recorder && m_recorder->isRecording() && isSameFile(fileName, m_recorder->fileName())) {
        showFileError(QStringLiteral("File Error!"), fileName,
                      tr("register writes are being recorded into it"));
        return;
    }
    QFile file;
    QString reason;
    if (!openRegularFile(file, fileName, reason)) {
        showFileError(QStringLiteral("File Error!"), fileName, reason);
        return;
    }
    // A regular file, so it can be read twice: once for the count of lines
    // that the progress shows.
    const int lineCount = registerFileLineCount(file);
    file.seek(0);

    int line = 0;
    int result = 0;
    emit loadStarted();
    {
        LoadProgress progress(m_dialogParent, lineCount);
        result = parse_reg_file(
                file, line, m_registers.data(), int(m_registers.size()), m_registerWrite,
                [&progress](int milliseconds) { progress.wait(milliseconds); }, {},
                [&progress](int at) { return progress.proceed(at); });
    }
    emit loadFinished();
    if (result == parseSyntaxError) {
        showFileError(syntaxErrorMessage(fileName, line));
        return;
    }
    if (result == parseStopped) {
        showFileError(QStringLiteral("Loading stopped at line %1.").arg(line));
        return;
    }
    // A read error ends the file early; what was read stays in force, but
    // the load is no success.
    reason = readFailure(file);
    if (!reason.isEmpty())
        showFileError(QStringLiteral("File Error!"), fileName, reason);
}

std::optional<RegisterReference> askReferenceFile(QWidget *dialogParent, QString &fileName)
{
    fileName = askOpenFileName(dialogParent, QCoreApplication::translate("MainWindow", "Compare With File"),
                               registerFileFilter());
    if (fileName.isEmpty())
        return std::nullopt;
    qCDebug(lcTrace, "reference filename = %s", qUtf8Printable(fileName));
    QFile file;
    QString reason;
    if (!openRegularFile(file, fileName, reason)) {
        showFileError(QStringLiteral("File Error!"), fileName, reason);
        return std::nullopt;
    }
    RegisterReference reference;
    int errorLine = 0;
    if (readRegisterReference(file, errorLine, reference) == parseSyntaxError) {
        showFileError(syntaxErrorMessage(fileName, errorLine));
        return std::nullopt;
    }
    // A read error ends the file early; a reference cut short would leave
    // registers out of the comparison unnoticed.
    reason = readFailure(file);
    if (!reason.isEmpty()) {
        showFileError(QStringLiteral("File Error!"), fileName, reason);
        return std::nullopt;
    }
    return reference;
}
