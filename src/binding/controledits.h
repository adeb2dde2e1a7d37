// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_CONTROLEDITS_H
#define ZQ40613_CONTROLEDITS_H

#include "common/registermirror.h"

class DeviceLink;
class QAbstractButton;
class QString;

// Turns a user's edit of a bound control into a change of the register
// mirror and, with automatic writing on, into a register write; pin controls
// drive their pin at once. Owns the automatic-write flag.
class ControlEdits
{
public:
    // How long a non-checkable pin button holds its pin at the active level.
    static constexpr unsigned long pinPulseMs = 10;

    ControlEdits(RegisterMirror &mirror, DeviceLink &link);

    // A combo box item was chosen; the box is known by its object name.
    void fieldChosen(const QString &comboName, int index);
    // A panel button was clicked (any button; unbound ones are ignored).
    void buttonClicked(const QAbstractButton &button);
    // A whole register was given a value elsewhere (the register map): the
    // same as an edit of a control bound to it.
    void registerEdited(int address, int value);

    void setAutoWrite(bool on) { autoWriteFlag = on; }
    bool autoWrite() const { return autoWriteFlag; }

private:
    void write(int address);
    void bitClicked(const QAbstractButton &button, int address, int bit);
    void pinClicked(const QAbstractButton &button, int group, int pin, bool inverted);

    RegisterMirror &mirror;
    DeviceLink &link;
    bool autoWriteFlag = true;
};

#endif
