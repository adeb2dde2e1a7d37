// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PANELFIELDS_H
#define ZQ40613_PANELFIELDS_H

#include "regmap/panelfield.h"

#include <QList>

struct PanelControls;

// Every register-bound check box, combo box and status indicator of the
// panel, in that order and each kind in the form's order, with the words
// the form shows for it:
//  - a control with a text of its own (a check box) is named by the title
//    of its group box and that text: "Buck1" "Force PWM";
//  - one without is named by the label in its layout row. A label that ends
//    in a colon introduces the control, so the group box title goes before
//    it ("Buck1" "Output voltage :"); any other label names its row by
//    itself ("Buck1 OK");
//  - a control the form gives no words at all is named by its binding name.
QList<PanelField> describePanelFields(const PanelControls &controls);

#endif
