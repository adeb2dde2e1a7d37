#ifndef ZQ40613_WINDOWFIXTURE_H
#define ZQ40613_WINDOWFIXTURE_H

#include "app/mainwindow.h"
#include "fakecontroller.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTextBrowser>
#include <QtTest>

#include <functional>
#include <memory>

// A main window over the recording fake board, with short-hands for what the
// tests look at: widgets by object name, the status fields and the log lines.
struct WindowFixture
{
    FakeController board;
    std::unique_ptr<MainWindow> window;

    // beforeOpen scripts the board before the window's first open attempt;
    // the window does not exist yet when it runs.
    explicit WindowFixture(bool boardPresent = true,
                           const std::function<void(WindowFixture &)> &beforeOpen = {})
    {
        board.present = boardPresent;
        if (beforeOpen)
            beforeOpen(*this);
        window = std::make_unique<MainWindow>(board);
    }

    template <typename T>
    T *find(const QString &name) const
    {
        T *w = window->findChild<T *>(name);
        if (!w)
            qFatal("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
        return w;
    }

    // Runs a slot the way its timer or button would.
    void invoke(const char *slot) const
    {
        if (!QMetaObject::invokeMethod(window.get(), slot, Qt::DirectConnection))
            qFatal("no slot %s", slot);
    }

    QLabel *stateLabel() const { return find<QLabel>(QStringLiteral("linkState")); }
    QLabel *transferLabel() const { return find<QLabel>(QStringLiteral("lastTransfer")); }
    QColor stateColour() const { return stateLabel()->palette().color(QPalette::Window); }

    QStringList logLines(const char *logName) const
    {
        QStringList lines =
                find<QTextBrowser>(QLatin1String(logName))->toPlainText().split(QLatin1Char('\n'));
        lines.removeAll(QString());
        return lines;
    }
    QStringList registerLog() const { return logLines("registerlog"); }
    QStringList eventLog() const { return logLines("eventlog"); }

    // Addresses of the register writes since the last clearCalls().
    QVector<int> writtenAddresses() const
    {
        QVector<int> addresses;
        for (const FakeController::Call &c : board.callsNamed(QStringLiteral("spi_write")))
            addresses << c.args.at(1);
        return addresses;
    }
};

#endif
