// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_STATUSFIELDS_H
#define ZQ40613_STATUSFIELDS_H

#include <QColor>
#include <QObject>

class DeviceLink;
class QLabel;
class QStatusBar;
struct RegisterTransfer;

// The two permanent fields at the right end of the status bar: the last
// reported transfer, and whether the board answers.
class StatusFields : public QObject
{
    Q_OBJECT

public:
    static constexpr QColor readyColour{188, 248, 182};
    static constexpr QColor faultColour{247, 166, 168};
    // Dark text, since both colours stay light under any desktop scheme.
    static constexpr QColor stateTextColour{0, 0, 0};
    // The write indicator's two values.
    static constexpr int writeForm = 1;
    static constexpr int readForm = 0;

    StatusFields(QStatusBar &bar, const DeviceLink &link, QObject *parent = nullptr);

    // Shows the link state and the transfer; a nonzero write indicator gives
    // the write form "W", zero the read form "R".
    void write_statusbar(int address, int data, int write);
    // Shows the link state: the write form with address and data 0, what
    // every connection attempt, poll and bulk transfer ends with.
    void showLinkState() { write_statusbar(0, 0, writeForm); }
    // Shows a transfer that the user made on its own, and the link state
    // after it; any other transfer is left to the link state its operation
    // ends with.
    void showTransfer(const RegisterTransfer &transfer);

    QLabel *stateLabel() const { return state; }
    QLabel *transferLabel() const { return transfer; }

private:
    const DeviceLink &link;
    QLabel *state;
    QLabel *transfer;
};

#endif
