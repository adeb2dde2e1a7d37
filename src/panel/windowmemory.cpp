// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/windowmemory.h"

#include <QEvent>
#include <QSettings>
#include <QWidget>

WindowMemory::WindowMemory(QWidget &window, const QString &key)
    : QObject(&window), window(window), key(QStringLiteral("windows/%1/geometry").arg(key))
{
    window.restoreGeometry(QSettings().value(this->key).toByteArray());
    window.installEventFilter(this);
}

// QSettings writes to disk later and at most once for many changes, so
// keeping every move is cheap; and the place is kept even if the program
// never gets to close the window.
bool WindowMemory::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &window && window.isVisible()
        && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        QSettings().setValue(key, window.saveGeometry());
    return QObject::eventFilter(watched, event);
}
