// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_CONNECTIONSUPERVISOR_H
#define ZQ40613_CONNECTIONSUPERVISOR_H

#include "common/registermirror.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <utility>

class DeviceLink;

// Keeps the link to the board alive: opens and sets up the board, retries
// while it is missing or has stopped answering, and polls the panel's
// registers once a second while polling is on. It owns the reconnect and poll
// timers and, with the poll timer, the polling state: polling is on exactly
// while that timer runs. It says what happened through its signals; showing
// the link state, reading the registers back and refreshing the panel are
// the listeners' part.
class ConnectionSupervisor : public QObject
{
    Q_OBJECT

public:
    static constexpr int reconnectIntervalMs = 500;
    static constexpr int pollIntervalMs = 1000;

    ConnectionSupervisor(DeviceLink &link, RegisterMirror &mirror);

    // The connection attempt: at start-up and on every reconnect tick.
    void init_hardware();
    // One status poll, on every poll tick.
    void timer_func();
    // The "Poll status" check box was clicked.
    void setPolling(bool on);
    bool isPolling() const { return poll.isActive(); }

    // While held, neither timer runs its tick: a tick that falls due waits
    // for the release and then runs once, in the order they fell due, as
    // after a wait that blocked the event loop. A register file's statements
    // run this way with nothing of the supervisor's between them, while the
    // window goes on painting.
    void holdTicks();
    void releaseTicks();

    // The timers, to look at: tests and tools ask them when the next tick is due.
    const QTimer &reconnectTimer() const { return reconnect; }
    const QTimer &pollTimer() const { return poll; }

signals:
    // An attempt to open the board begins: the link is down.
    void connecting();
    // The board was opened and set up.
    void linkUp();
    // An open attempt found no board, or a board call failed (once per
    // failed call).
    void linkDown();
    // Polling was switched on or off, by the user or by a failure.
    void pollingChanged(bool on);
    // The board has just been opened: its registers are to be read back.
    void readBackWanted();
    // A poll has read the panel's registers, or the reconnect tick found the
    // board answering: the panel is to show them.
    void refreshWanted();

private:
    using Tick = void (ConnectionSupervisor::*)();

    void setUpTimer(QTimer &timer, Tick tick);
    // Every start and stop of a timer goes through these: a tick held back
    // for a timer that has since been started afresh or stopped is dropped,
    // as its timer event would have been.
    void restart(QTimer &timer, int intervalMs);
    void halt(QTimer &timer);
    // What every failed board call leads to.
    void applyNotConnectedPolicy();

    DeviceLink &link;
    RegisterMirror &mirror;
    QTimer reconnect;
    QTimer poll;
    bool held = false;
    QList<std::pair<QTimer *, Tick>> due;
};

#endif
