// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_ACCESSIBLENAMES_H
#define ZQ40613_ACCESSIBLENAMES_H

struct PanelControls;

// Gives every bound control that shows no text of its own the name a screen
// reader speaks for it, made from the label beside it on the form: the
// status indicators "Buck1 OK status", the pin levels "IRQ pin", the probes
// "BATT probe voltage", the check boxes without text "Buck1 OK enable"; a
// status indicator without a label takes its bit's name. A combo box's label
// becomes its buddy, which screen readers speak with it. Controls named by
// their own text keep it.
void nameUnlabelledControls(const PanelControls &controls);

#endif
