// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PANELFIELDS_H
#define ZQ40613_PANELFIELDS_H

#include "binding/bindingname.h"
#include "common/registermirror.h"

#include <QList>
#include <QString>
#include <QStringList>

struct FormControl;

// A register field of the panel: a control of the form bound to register
// bits, with the words that name it and, for a choice, the texts of its
// items in field-value order. Its value is the item index of a choice and
// the bit (0 or 1) of a switch or an indicator, read from and stored into a
// register mirror as the panel does.
struct PanelField
{
    enum Kind {
        Choice,    // a combo box: a field of one or two registers
        Switch,    // a check box: one bit
        Indicator, // a status indicator: one bit, shown as 0 or 1
    };

    Kind kind = Switch;
    QString bindingName;
    // The words as the register map shows them before the value: "Buck1
    // Force PWM", "Buck1 OK status", "Buck1 Output voltage :" (a caption
    // that ends in a colon introduces its value).
    QString caption;
    // The field's name for programs: the caption without a closing colon,
    // "Buck1 Output voltage".
    QString name;
    QStringList items;
    FieldBinding choice;  // a choice's register bits
    int address = -1;     // a switch's or an indicator's register and bit
    int bit = 0;

    // A register the field lies in, with the field's highest bit there.
    struct Place
    {
        int address;
        int topBit;
    };
    // Its registers in the order a panel edit writes them: a choice of two
    // registers the first one first.
    QList<Place> places() const;
    int value(const RegisterMirror &mirror) const;
    // Stores a value (item index, or 0 or 1) into the field's bits; the
    // register's other bits stay.
    void setValue(RegisterMirror &mirror, int value) const;
    // The value as the panel shows it: the item's text ("no item (126)" past
    // the last item), "on" or "off" for a switch, "0" or "1" for an indicator.
    QString valueText(const RegisterMirror &mirror) const;
    QString textOfValue(int value) const;
    // The value a text of valueText() stands for, the first item of that
    // text; -1 for a text the field never shows.
    int valueOfText(const QString &text) const;
};

// The register fields among a form's controls: the bound check boxes, combo
// boxes and status indicators, in that order and each kind in the form's
// order. A field is named
//  - with a text of its own (a check box) by the title of its group box and
//    that text: "Buck1" "Force PWM";
//  - without, by the name it has for screen readers ("Buck1 OK enable",
//    "Buck1 OK status");
//  - else by the label beside it; a label that ends in a colon introduces
//    the control, so the group box title goes before it ("Buck1" "Output
//    voltage :"), any other names it by itself;
//  - with no words at all by its binding name.
QList<PanelField> describePanelFields(const QList<FormControl> &controls);

// The fields of the panel form compiled into the program.
const QList<PanelField> &panelFields();

#endif
