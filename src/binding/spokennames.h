// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_SPOKENNAMES_H
#define ZQ40613_SPOKENNAMES_H

#include <QString>

struct LineEditBinding;

// The names a screen reader speaks for the bound controls that show no text
// of their own, made from the words of the label beside them on the form
// (labelWords(); empty when there is no label). Empty where there is
// nothing to make a name of.

// A read-out: a status indicator "Buck1 OK status" (without a label, its
// bit's name: "Buck1 OK status" all the same), a pin level "IRQ pin", a
// probe "BATT probe voltage".
QString readoutSpokenName(const LineEditBinding &binding, const QString &beside);

// A bit's check box without text switches what its row's label names:
// "Buck1 OK enable".
QString switchSpokenName(const QString &beside);

#endif
