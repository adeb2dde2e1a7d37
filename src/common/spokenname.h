// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_SPOKENNAME_H
#define ZQ40613_SPOKENNAME_H

class QString;
class QWidget;

// Gives a widget the name a screen reader speaks for it, such as "Buck1
// Output voltage" or "Link state", and keeps what the widget shows as its
// value. Qt on Linux names a combo box by its current item and a tab bar by
// its current tab whatever their accessible names, and a label given a name
// no longer tells its text; these get interfaces of their own that speak
// the name and keep the item, tab or text as the value (a label's also as
// its text, a tab bar's tabs as its children).
void setSpokenName(QWidget &widget, const QString &name);

#endif
