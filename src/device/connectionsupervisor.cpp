// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/connectionsupervisor.h"

#include "common/trace.h"
#include "device/devicelink.h"

#include <utility>

ConnectionSupervisor::ConnectionSupervisor(DeviceLink &link, RegisterMirror &mirror,
                                           std::function<void()> showLinkState,
                                           std::function<void()> refreshDisplay,
                                           std::function<void()> readBack)
    : link(link), mirror(mirror), showLinkState(std::move(showLinkState)),
      refreshDisplay(std::move(refreshDisplay)), readBack(std::move(readBack))
{
    setUpTimer(reconnect, &ConnectionSupervisor::init_hardware);
    setUpTimer(poll, &ConnectionSupervisor::timer_func);
    // Directly, so that the rule has run before the failing call returns and
    // its caller looks at the link again.
    connect(&link, &DeviceLink::callFailed, this, &ConnectionSupervisor::applyNotConnectedPolicy,
            Qt::DirectConnection);
}

// The one place that sets the timers up; both stay stopped until the link
// state starts them. Precise, because a coarse timer may fire up to 5% late
// (or early), and the attempts and polls are to come at their stated periods.
void ConnectionSupervisor::setUpTimer(QTimer &timer, void (ConnectionSupervisor::*tick)())
{
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, tick);
}

// The link has marked the board as not connected already. Starting the
// reconnect timer again restarts its interval, so the next attempt follows
// 500 ms after the latest failure.
void ConnectionSupervisor::applyNotConnectedPolicy()
{
    poll.stop();
    reconnect.start(reconnectIntervalMs);
}

void ConnectionSupervisor::init_hardware()
{
    // The tick after a successful open finds the board connected and ends
    // the retry cycle.
    if (link.isConnected()) {
        reconnect.stop();
        refreshPanel();
        return;
    }
    qCDebug(lcTrace, "init_hardware()");
    showLinkState();
    if (!link.openBoard()) {
        reconnect.start(reconnectIntervalMs);
        return;
    }
    showLinkState();
    readBack();
}

// The refresh reads pins and probes, which may find the board gone, so the
// state field is brought up to date after it, never before.
void ConnectionSupervisor::refreshPanel()
{
    refreshDisplay();
    showLinkState();
}

void ConnectionSupervisor::timer_func()
{
    qCDebug(lcTrace, "timer_func()");
    // Every register is read even after a failure, so the panel shows 0xFF
    // for all of them rather than a mix of stale and fresh values.
    for (const int address : panelRegisters)
        mirror.at(address) = static_cast<quint8>(link.register_read(address));
    refreshPanel();
}

void ConnectionSupervisor::setPolling(bool on)
{
    qCDebug(lcTrace, "on_pollstatus_clicked()");
    if (on)
        poll.start(pollIntervalMs);
    else
        poll.stop();
}
