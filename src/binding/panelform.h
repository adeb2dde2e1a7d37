// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PANELFORM_H
#define ZQ40613_PANELFORM_H

#include <QList>
#include <QString>
#include <QStringList>

class QByteArray;
class QIODevice;

// A widget of the panel form as the form describes it, read from the form's
// Designer file without building a widget: what names it and, for a combo
// box, its items. Programs without widgets learn the panel from this, so a
// panel re-mapped in Designer re-maps them too.
struct FormControl
{
    QString className;      // as the form has it: "QCheckBox", "QComboBox"
    QString objectName;
    QString text;           // its "text" property, empty when it has none
    QString accessibleName; // as the form sets it, mostly empty
    QString groupTitle;     // the title of the nearest group box around it, plain
    QString labelBeside;    // the text of the label beside it, as the form has it
    QStringList items;      // a combo box's item texts, in order
    bool checkable = false; // a check box, or a button the form makes checkable

    bool isButton() const;
};

// Every named widget inside a form (not the form's window itself), in the
// order the form creates them (each parent before its children). The label beside a widget is the nearest
// label in the layout that holds it, in the widget's own row if that layout
// is a grid, as the panel's keyboard access finds it among the widgets.
// Empty, with the reason in error, for what is no readable form.
QList<FormControl> readForm(QIODevice &form, QString &error);

// The controls as the build stores them and the program loads them again:
// the panel form is read from its XML when the program is built
// (formdata.cpp), not at every start. Loading what is no stored form gives
// an empty list.
QByteArray storeForm(const QList<FormControl> &controls);
QList<FormControl> loadForm(const QByteArray &stored);

// The panel form compiled into the program, loaded once.
const QList<FormControl> &panelForm();

// A text as the user reads it: without the marks of keyboard mnemonics and
// the blanks around it.
QString plainText(QString text);

#endif
