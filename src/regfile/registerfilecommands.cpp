#include "registerfilecommands.h"

#include "common/trace.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QSaveFile>

#include <utility>

namespace {

constexpr char startDirectory[] = ".";

QString fileFilter()
{
    return QCoreApplication::translate("MainWindow", "QRX register files (*.qrx)");
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

    // QSaveFile writes beside the target and renames only on commit, so a
    // failed save cannot leave a truncated file in place of the old one. The
    // explicit flush matters: commit() does not notice a buffered write that
    // fails while the file is closed, and would put the short file in place.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)
        || !write_reg_file(file, m_registers.data(), int(m_registers.size()),
                           QDateTime::currentDateTime())
        || !file.flush() || !file.commit()) {
        showError(QStringLiteral("File Error!"));
    }
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

    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        showError(QStringLiteral("File Error!"));
        return;
    }
    int errorLine = 0;
    if (parse_reg_file(file, errorLine, m_registers.data(), int(m_registers.size()),
                       m_registerWrite) == -1) {
        showError(syntaxErrorMessage(fileName, errorLine));
    }
}

void RegisterFileCommands::showError(const QString &text)
{
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Error"));
    box.setText(text);
    box.exec();
}
