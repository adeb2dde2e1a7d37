// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_TABCHAIN_H
#define ZQ40613_TABCHAIN_H

#include <QList>

class QWidget;

// Sets up the Tab chain of a window once its widgets and button groups
// exist: the widgets of 'order' follow one another in that order (the rest
// keep their places), and every check box of a non-exclusive button group
// stays a Tab stop of its own. A window built from a form passes no order:
// the form's tab stops give it.
void setTabChain(QWidget &window, const QList<QWidget *> &order = {});

#endif
