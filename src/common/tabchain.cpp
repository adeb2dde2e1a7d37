// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/tabchain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QPointer>
#include <QWidget>

namespace {

// Qt lets Tab reach only the button of a group that last had focus, as suits
// radio buttons: whenever one of them takes focus, Qt drops the Tab stop of
// all the others. The check boxes of a non-exclusive group are settings of
// their own, so each gets its stop back as soon as Qt has dropped it.
class GroupTabStops : public QObject
{
public:
    GroupTabStops(QWidget &window, const QList<QAbstractButton *> &buttons)
        : QObject(&window), buttons(buttons.cbegin(), buttons.cend())
    {
        connect(qApp, &QApplication::focusChanged, this, &GroupTabStops::focusChanged);
    }

private:
    void focusChanged(QWidget *, QWidget *now)
    {
        if (!now || !buttons.contains(now))
            return;
        for (QAbstractButton *button : std::as_const(buttons)) {
            if (button)
                button->setFocusPolicy(Qt::FocusPolicy(button->focusPolicy() | Qt::TabFocus));
        }
    }

    QList<QPointer<QAbstractButton>> buttons;
};

// The window's own buttons only: a dialog it parents sets up its own chain.
bool keepsItsStop(const QAbstractButton *button, const QWidget &window)
{
    return button->window() == &window && button->isCheckable() && button->group()
        && !button->group()->exclusive() && (button->focusPolicy() & Qt::TabFocus);
}

} // namespace

void setTabChain(QWidget &window, const QList<QWidget *> &order)
{
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));

    QList<QAbstractButton *> grouped = window.findChildren<QAbstractButton *>();
    grouped.removeIf([&window](const QAbstractButton *button) { return !keepsItsStop(button, window); });
    if (!grouped.isEmpty())
        new GroupTabStops(window, grouped);
}
