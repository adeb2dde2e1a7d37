// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_WINDOWMEMORY_H
#define ZQ40613_WINDOWMEMORY_H

#include <QObject>
#include <QString>

class QWidget;

// Remembers where a window of the program was and how big, across runs,
// under its own key of the program's settings: the window gets its last
// place back when this is made, and every move or resize is kept. The main
// window has a fixed size and needs none of this.
class WindowMemory : public QObject
{
    Q_OBJECT

public:
    WindowMemory(QWidget &window, const QString &key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget &window;
    QString key;
};

#endif
