// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_LABELBESIDE_H
#define ZQ40613_LABELBESIDE_H

#include <QString>

class QLabel;
class QWidget;

// The label that stands beside a widget on its form: the nearest label in
// the layout that holds the widget, in the widget's own row if that layout
// is a grid; null when there is none.
QLabel *labelBeside(const QWidget &widget);

// That label's text without the blanks around it and a closing colon
// ("BATT   " gives "BATT", "Output voltage :" gives "Output voltage"), or
// empty.
QString textBeside(const QWidget &widget);

#endif
