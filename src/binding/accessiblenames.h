// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_ACCESSIBLENAMES_H
#define ZQ40613_ACCESSIBLENAMES_H

struct PanelControls;

// Gives every bound control of the panel the name a screen reader speaks
// for it: a register field the name it has in the register map ("Buck1
// Output voltage", "Buck1 Enable", "Buck1 OK enable", "Buck1 OK status"),
// a pin level or a probe one made from the label beside it ("IRQ pin",
// "BATT probe voltage"). A combo box's label becomes its buddy. Controls
// given a name on the form keep it.
void namePanelControls(const PanelControls &controls);

#endif
