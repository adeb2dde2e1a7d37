// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_COMMANDBUTTON_H
#define ZQ40613_COMMANDBUTTON_H

class QHBoxLayout;
class QPushButton;
class QString;

// A push button added to a tool window's row of commands, known by its
// object name. It is no default button, so Enter typed into a field of the
// window does not press it.
QPushButton *addButton(QHBoxLayout *row, const QString &text, const char *name);

#endif
