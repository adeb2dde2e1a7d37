#ifndef ZQ40613_MODALANSWERS_H
#define ZQ40613_MODALANSWERS_H

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <utility>

// What a test needs to know about one modal dialog that a command opened.
struct ModalSeen
{
    QString type;
    QString title;
    QString text;
    QWidget *parent = nullptr;
    QString directory;
    QStringList nameFilters;
};

// Answers the modal dialogs that a command opens, one step per dialog in the
// order they appear, and records what each looked like. A dialog nobody
// expected is recorded and rejected, so a test fails instead of hanging.
class ModalAnswers : public QObject
{
public:
    using Step = std::function<void(QWidget *)>;

    explicit ModalAnswers(QList<Step> steps) : m_steps(std::move(steps))
    {
        constexpr int pollInterval = 10;
        connect(&m_timer, &QTimer::timeout, this, &ModalAnswers::poll);
        m_timer.start(pollInterval);
    }

    QList<ModalSeen> seen;
    int unexpected = 0;

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (m_stepPending || !modal || !modal->isVisible()
            || isShowingThrough(modal, QThread::currentThread()->loopLevel()))
            return;
        ModalSeen record { QString::fromLatin1(modal->metaObject()->className()),
                           modal->windowTitle(), {}, modal->parentWidget(), {}, {} };
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            record.text = box->text();
        if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            record.directory = dialog->directory().absolutePath();
            record.nameFilters = dialog->nameFilters();
        }
        seen << record;
        if (m_steps.isEmpty()) {
            ++unexpected;
            modal->close();
            return;
        }
        // The step runs outside this timeout, so that the timer can answer a
        // dialog that the step itself opens.
        m_stepPending = true;
        QMetaObject::invokeMethod(
            this,
            [this, modal = QPointer<QWidget>(modal), step = m_steps.takeFirst()] {
                m_stepPending = false;
                if (modal)
                    step(modal);
            },
            Qt::QueuedConnection);
    }

    // A dialog that opened another one is the active modal widget again as
    // soon as the inner one is answered, while the inner one's event loop is
    // still unwinding and the outer dialog may be about to close as well (a
    // file dialog after its overwrite question). A sighting is only real at
    // the event loop level where the dialog was first seen, which is the
    // level of its own loop.
    bool isShowingThrough(QWidget *modal, int level)
    {
        for (const auto &[widget, firstLevel] : m_levels) {
            if (widget == modal)
                return level > firstLevel;
        }
        m_levels.append({ QPointer<QWidget>(modal), level });
        return false;
    }

    QList<Step> m_steps;
    bool m_stepPending = false;
    QList<std::pair<QPointer<QWidget>, int>> m_levels;
    QTimer m_timer;
};

// Types the name into the file dialog and presses Return, as a user would;
// then runs whatever the test wants to happen before the command goes on.
inline ModalAnswers::Step chooseFile(const QString &path, const std::function<void()> &afterwards = {})
{
    return [=](QWidget *modal) {
        auto *edit = modal->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (!edit) {
            modal->close();
            return;
        }
        edit->setText(path);
        QTest::keyClick(edit, Qt::Key_Return);
        if (afterwards)
            afterwards();
    };
}

// Clicks the button; a dialog without it is closed, so the test goes on and
// fails on what it recorded.
inline void clickOrClose(QWidget *modal, QAbstractButton *button)
{
    if (button)
        QTest::mouseClick(button, Qt::LeftButton);
    else
        modal->close();
}

inline ModalAnswers::Step cancelFileDialog()
{
    return [](QWidget *modal) {
        auto *buttons = modal->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        clickOrClose(modal, buttons ? buttons->button(QDialogButtonBox::Cancel) : nullptr);
    };
}

inline ModalAnswers::Step pressButton(QMessageBox::StandardButton which)
{
    return [=](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        clickOrClose(modal, box ? box->button(which) : nullptr);
    };
}

#endif
