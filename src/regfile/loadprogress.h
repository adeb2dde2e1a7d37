// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_LOADPROGRESS_H
#define ZQ40613_LOADPROGRESS_H

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class QEventLoop;
class QProgressDialog;
class QWidget;

// The window while a register file loads. The statements run one after the
// other on the GUI thread; between them, and through the wait of a delay
// statement, the window gets its turn to paint. Once the load has run
// showAfterMs, a window-modal progress dialog shows the line at hand and,
// during a wait, the time left; its Cancel stops the load before the next
// statement. Until the load ends every input but the dialog's is dropped:
// no click or key reaches the panel, its menus or any other window of the
// program, so nothing but the file talks to the board meanwhile. (Modality
// alone would not do: before the dialog shows there is none, and a window
// of the program need not be one that the dialog blocks.)
class LoadProgress : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 showAfterMs = 500;
    // How often the window gets its turn between statements and during a
    // wait, where the time left moves on as often.
    static constexpr qint64 turnIntervalMs = 50;

    LoadProgress(QWidget *dialogParent, int lineCount);
    ~LoadProgress() override;

    // What parse_reg_file asks before a line takes effect and after a wait:
    // false once Cancel was chosen.
    bool proceed(int line);
    // Waits out a delay statement, or until Cancel is chosen.
    void wait(int milliseconds);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Shows the dialog when it is due, brings it up to date and lets the
    // window handle what is pending; leftMs is the time left of a wait, or
    // negative between statements.
    void takeTurn(qint64 leftMs);
    void showDialog();
    static bool isForModalDialog(QObject *receiver);

    QWidget *dialogParent;
    int lineCount;
    int line = 0;
    QElapsedTimer running;
    QElapsedTimer sinceTurn;
    QPointer<QProgressDialog> dialog;
    QEventLoop *waiting = nullptr;
    bool cancelled = false;
};

#endif
