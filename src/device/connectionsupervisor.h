// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_CONNECTIONSUPERVISOR_H
#define ZQ40613_CONNECTIONSUPERVISOR_H

#include "common/registermirror.h"

#include <QObject>
#include <QTimer>

#include <functional>

class DeviceLink;

// Keeps the link to the board alive: opens and sets up the board, retries
// while it is missing or has stopped answering, and polls the panel's
// registers once a second while polling is on. It owns the reconnect and poll
// timers and, with the poll timer, the polling state: polling is on exactly
// while that timer runs. How the link state is shown, and what happens after
// a connection (reading the registers back) and after a poll (refreshing the
// panel), is handed in by the owner.
class ConnectionSupervisor : public QObject
{
    Q_OBJECT

public:
    static constexpr int reconnectIntervalMs = 500;
    static constexpr int pollIntervalMs = 1000;
    // The registers a status poll reads: every register the panel shows.
    static constexpr int panelRegisters[] = {0x00, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e};

    ConnectionSupervisor(DeviceLink &link, RegisterMirror &mirror,
                         std::function<void()> showLinkState,
                         std::function<void()> refreshDisplay, std::function<void()> readBack);

    // The connection attempt: at start-up and on every reconnect tick.
    void init_hardware();
    // One status poll, on every poll tick.
    void timer_func();
    // Refreshes the panel and then shows the link state it left.
    void refreshPanel();
    // The "Poll status" check box was clicked.
    void setPolling(bool on);
    bool isPolling() const { return poll.isActive(); }

    // The timers, to look at: tests and tools ask them when the next tick is due.
    const QTimer &reconnectTimer() const { return reconnect; }
    const QTimer &pollTimer() const { return poll; }

private:
    void setUpTimer(QTimer &timer, void (ConnectionSupervisor::*tick)());
    // What every failed board call leads to.
    void applyNotConnectedPolicy();

    DeviceLink &link;
    RegisterMirror &mirror;
    std::function<void()> showLinkState;
    std::function<void()> refreshDisplay;
    std::function<void()> readBack;
    QTimer reconnect;
    QTimer poll;
};

#endif
