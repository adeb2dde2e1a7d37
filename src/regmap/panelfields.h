// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PANELFIELDS_H
#define ZQ40613_PANELFIELDS_H

#include "regmap/panelfield.h"

#include <QList>

struct PanelControls;

// Every register-bound check box, combo box and status indicator of the
// panel, in that order and each kind in the form's order, with the words
// that name it:
//  - a control with a text of its own (a check box) by the title of its
//    group box and that text: "Buck1" "Force PWM";
//  - one without, by the name it has for screen readers ("Buck1 OK enable",
//    "Buck1 OK status");
//  - else by the label beside it; a label that ends in a colon introduces
//    the control, so the group box title goes before it ("Buck1" "Output
//    voltage :"), any other names it by itself;
//  - a control with no words at all by its binding name.
QList<PanelField> describePanelFields(const PanelControls &controls);

#endif
