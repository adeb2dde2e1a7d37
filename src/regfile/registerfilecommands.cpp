// SPDX-License-Identifier: GPL-3.0-or-later
#include "registerfilecommands.h"

#include "common/trace.h"
#include "regfile/filedialogs.h"
#include "regfile/filesave.h"
#include "regfile/loadprogress.h"
#include "regfile/registerrecorder.h"
#include "regfile/regularfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include <utility>

namespace {

constexpr char startDirectory[] = ".";

// Tells the user that the load stopped where asked: no error, what ran
// before that line stays in force.
void showLoadStopped(int line)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Load Registers"),
                    QStringLiteral("Loading stopped at line %1.").arg(line));
    box.exec();
}

// The writes of a load that the board did not answer never reached the chip.
void showUnansweredWrites(int unanswered, int writes, int firstLine)
{
    showFileError(unanswered == 1
                          ? QStringLiteral("1 of %1 register writes was not answered by the board "
                                           "(at line %2).")
                                    .arg(writes)
                                    .arg(firstLine)
                          : QStringLiteral("%1 of %2 register writes were not answered by the "
                                           "board (the first at line %3).")
                                    .arg(unanswered)
                                    .arg(writes)
                                    .arg(firstLine));
}

} // namespace

RegisterFileCommands::RegisterFileCommands(QWidget *dialogParent, RegisterMirror &registers,
                                           AnsweredWrite registerWrite,
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

    QFile file;
    QString reason;
    if (!openRegularFile(file, fileName, reason)) {
        showFileError(QStringLiteral("File Error!"), fileName, reason);
        return;
    }
    // By what was opened, so that no other name or link of the file gets by.
    if (m_recorder && m_recorder->isRecordingInto(file)) {
        showFileError(QStringLiteral("File Error!"), fileName,
                      tr("register writes are being recorded into it"));
        return;
    }
    // A regular file, so it can be read twice: once for the count of lines
    // that the progress shows.
    const int lineCount = registerFileLineCount(file);
    file.seek(0);

    int line = 0;
    int result = 0;
    int currentLine = 0;
    int writes = 0;
    int unanswered = 0;
    int firstUnanswered = 0;
    const RegisterWriteCallback write = [&](int address, int data) {
        ++writes;
        if (!m_registerWrite(address, data) && unanswered++ == 0)
            firstUnanswered = currentLine;
    };
    emit loadStarted();
    {
        LoadProgress progress(m_dialogParent, lineCount);
        result = parse_reg_file(
                file, line, m_registers.data(), int(m_registers.size()), write,
                [&progress](int milliseconds) { progress.wait(milliseconds); }, {},
                [&](int at) {
                    currentLine = at;
                    return progress.proceed(at);
                });
    }
    emit loadFinished();
    if (result == parseSyntaxError) {
        showFileError(syntaxErrorMessage(fileName, line));
    } else if (result == parseStopped) {
        showLoadStopped(line);
    } else {
        // A read error ends the file early; what was read stays in force,
        // but the load is no success.
        reason = readFailure(file);
        if (!reason.isEmpty())
            showFileError(QStringLiteral("File Error!"), fileName, reason);
    }
    if (unanswered > 0)
        showUnansweredWrites(unanswered, writes, firstUnanswered);
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
