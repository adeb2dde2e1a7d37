// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/loadprogress.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace {

constexpr qint64 msPerSecond = 1000;
constexpr qint64 secondsPerMinute = 60;
constexpr qint64 secondsPerHour = 3600;

// Tenths of a second within the last minute, hours, minutes and seconds
// before that (a delay may last days).
QString timeLeftText(qint64 ms)
{
    if (ms < secondsPerMinute * msPerSecond)
        return QStringLiteral("%1 s").arg(double(ms) / msPerSecond, 0, 'f', 1);
    const qint64 seconds = (ms + msPerSecond - 1) / msPerSecond;
    const QChar zero(QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3")
            .arg(seconds / secondsPerHour)
            .arg(seconds / secondsPerMinute % secondsPerMinute, 2, 10, zero)
            .arg(seconds % secondsPerMinute, 2, 10, zero);
}

} // namespace

LoadProgress::LoadProgress(QWidget *dialogParent, int lineCount)
    : dialogParent(dialogParent), lineCount(lineCount)
{
    running.start();
    sinceTurn.start();
    QCoreApplication::instance()->installEventFilter(this);
}

LoadProgress::~LoadProgress()
{
    QCoreApplication::instance()->removeEventFilter(this);
    delete dialog;
}

bool LoadProgress::proceed(int line)
{
    this->line = line;
    if (sinceTurn.hasExpired(turnIntervalMs))
        takeTurn(-1);
    return !cancelled;
}

void LoadProgress::wait(int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds, Qt::PreciseTimer);
    for (qint64 left = deadline.remainingTime(); !cancelled && left > 0;
         left = deadline.remainingTime()) {
        takeTurn(left);
        if (cancelled)
            break;
        QEventLoop loop;
        QTimer::singleShot(std::min(left, turnIntervalMs), Qt::PreciseTimer, &loop,
                           &QEventLoop::quit);
        waiting = &loop;
        loop.exec();
        waiting = nullptr;
    }
}

void LoadProgress::takeTurn(qint64 leftMs)
{
    sinceTurn.restart();
    if (!dialog && running.elapsed() >= showAfterMs)
        showDialog();
    if (dialog) {
        QString text = tr("Line %1 of %2").arg(line).arg(lineCount);
        if (leftMs >= 0)
            text += QLatin1Char('\n') + tr("Waiting, %1 left").arg(timeLeftText(leftMs));
        dialog->setLabelText(text);
        dialog->setValue(line - 1);
    }
    QCoreApplication::processEvents();
}

void LoadProgress::showDialog()
{
    dialog = new QProgressDialog(dialogParent);
    dialog->setWindowTitle(tr("Load Registers"));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    dialog->setRange(0, lineCount);
    connect(dialog, &QProgressDialog::canceled, this, [this] {
        cancelled = true;
        if (waiting)
            waiting->quit();
    });
    dialog->show();
}

// Input is dropped, as a modal dialog drops the input to the windows it
// blocks; key presses that would trigger a menu's shortcut and a click on a
// window's close button are input too. What goes to the modal dialog on top
// passes: the progress dialog, or a box that opened meanwhile (a recording
// that failed), which would otherwise never close.
bool LoadProgress::eventFilter(QObject *watched, QEvent *event)
{
    const bool input = event->isInputEvent() || event->type() == QEvent::Shortcut
                       || (event->type() == QEvent::Close && event->spontaneous());
    return input && !isForModalDialog(watched);
}

bool LoadProgress::isForModalDialog(QObject *receiver)
{
    const QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return false;
    if (receiver == modal->windowHandle())
        return true;
    for (const QObject *object = receiver; object; object = object->parent()) {
        if (object == modal)
            return true;
    }
    return false;
}
