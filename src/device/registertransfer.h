// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_REGISTERTRANSFER_H
#define ZQ40613_REGISTERTRANSFER_H

// What a register transfer is part of. Every caller of the device link names
// it, and every listener tells by it which transfers concern it: the status
// bar and the register log report a panel edit or a dialog transfer, but
// not a poll's reads nor a register file's writes.
enum class Activity {
    Poll,                // the status poll
    ReadBack,            // Update, also after every connection
    WriteBack,           // Write regs
    WriteBackUnchecked,  // Write regs, a split field's second register, which it does not check
    PanelEdit,           // a control edit with Auto write on
    DirectAccess,        // a single register by address, in the dialog or on the command line
    Load,                // a register file's statements
    Sweep,               // a sweep's readings of the status register (its writes are panel edits)
};

// One register transfer as the device link made it.
struct RegisterTransfer
{
    Activity activity;
    bool write;
    int address; // as it reached the board, 0..255
    int data;    // as written, or as read: 0xff for a failed read
    bool ok;     // the board answered
};

// One level driven onto a board pin, in the controller's numbering.
struct PinAction
{
    int group;
    int pin;
    int level;
};

// Whether the status bar's transfer field shows a transfer: only the ones
// the user made one at a time. Every other operation ends by showing the
// link state instead.
bool showsInTransferField(const RegisterTransfer &transfer);

// Whether the register log lists a transfer: those of the status bar, those
// of Update and Write regs that the board answered (a bulk transfer stops at
// the first it did not), and the one write of Write regs that it does not
// check, answered or not.
bool goesToRegisterLog(const RegisterTransfer &transfer);

#endif
