// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_SWEEPFIELD_H
#define ZQ40613_SWEEPFIELD_H

#include "binding/bindingname.h"
#include "binding/panelfields.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A combo box of the panel as a sweep steps it: a register field of the
// panel (its name as the register map gives it, "Buck1 Output voltage", its
// register bits and its item texts in field-value order) and what follows
// it on the board, known by its name's first word: the probe of that label
// (Buck1: BUCK1) or else the status bit of that name (Comparator: bit 0 of
// 0x0d).
struct SweepField : PanelField
{
    int probe = -1;     // index into panelProbes, or -1
    int statusBit = -1; // bit of the status register, or -1

    // A combo box of the panel as the register map describes it.
    static SweepField of(const PanelField &choice);

    // The values a sweep may set: the index of each item text where it
    // first stands, in item order. (Buck1 lists "3.600V" fourteen times;
    // only the first counts.)
    QList<int> valueIndices() const;
    // The item index of a value as a user writes it: the item's text, or its
    // number of volts with or without the unit ("1.1", "1.100V"). Empty when
    // the field has no such value.
    std::optional<int> indexOfValue(const QString &text) const;
    // "1.100V, 1.150V, ...": the values, for a message naming them.
    QString valueList() const;

    // The number an item stands for ("1.100" for "1.100V"), empty when the
    // text is no number.
    std::optional<double> volts(int index) const;
    // The item's text without its unit, as the set column shows it.
    QString setText(int index) const;
};

// The fields a sweep can step: the combo boxes among a panel's fields.
QList<SweepField> sweepFields(const QList<PanelField> &fields);

// The fields of a panel that a sweep can step, by name as a user types it:
// case and runs of blanks do not matter. Empty for a name none has.
std::optional<SweepField> findSweepField(const QList<SweepField> &fields, const QString &name);

// "Buck1 Output voltage, ...": every field's name, for a message naming them.
QString sweepFieldList(const QList<SweepField> &fields);

#endif
