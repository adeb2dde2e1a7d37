// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PANELFIELD_H
#define ZQ40613_PANELFIELD_H

#include <QString>
#include <QStringList>

// A register-bound control of the panel as the register map tells of it:
// what kind of control it is, its binding name, the words that name it on
// the panel and, for a choice, the texts of its items in field-value order.
// Read from the panel form when the program starts, so that a panel
// re-mapped in Designer re-maps the register map too.
struct PanelField
{
    enum Kind {
        Choice,    // a combo box: a field of one or two registers
        Switch,    // a check box: one bit
        Indicator, // a status indicator: one bit, shown as 0 or 1
    };

    Kind kind;
    QString bindingName;
    QString caption;
    QStringList items;
};

#endif
