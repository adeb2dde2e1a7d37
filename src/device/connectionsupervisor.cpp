// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/connectionsupervisor.h"

#include "common/chip.h"
#include "common/trace.h"
#include "device/devicelink.h"

#include <algorithm>

ConnectionSupervisor::ConnectionSupervisor(DeviceLink &link, RegisterMirror &mirror)
    : link(link), mirror(mirror)
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
void ConnectionSupervisor::setUpTimer(QTimer &timer, Tick tick)
{
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, [this, &timer, tick] {
        if (!held) {
            (this->*tick)();
            return;
        }
        if (std::none_of(due.cbegin(), due.cend(),
                         [&timer](const auto &entry) { return entry.first == &timer; }))
            due.append({&timer, tick});
    });
}

void ConnectionSupervisor::restart(QTimer &timer, int intervalMs)
{
    halt(timer);
    timer.start(intervalMs);
}

void ConnectionSupervisor::halt(QTimer &timer)
{
    timer.stop();
    due.removeIf([&timer](const auto &entry) { return entry.first == &timer; });
}

void ConnectionSupervisor::holdTicks()
{
    held = true;
}

// A tick may start or stop a timer whose own tick is still waiting, so the
// list is looked at afresh each time.
void ConnectionSupervisor::releaseTicks()
{
    held = false;
    while (!due.isEmpty()) {
        const Tick tick = due.takeFirst().second;
        (this->*tick)();
    }
}

// The link has marked the board as not connected already. Starting the
// reconnect timer again restarts its interval, so the next attempt follows
// 500 ms after the latest failure.
void ConnectionSupervisor::applyNotConnectedPolicy()
{
    const bool wasPolling = poll.isActive();
    halt(poll);
    restart(reconnect, reconnectIntervalMs);
    if (wasPolling)
        emit pollingChanged(false);
    emit linkDown();
}

void ConnectionSupervisor::init_hardware()
{
    // The tick after a successful open finds the board connected and ends
    // the retry cycle.
    if (link.isConnected()) {
        halt(reconnect);
        emit refreshWanted();
        return;
    }
    qCDebug(lcTrace, "init_hardware()");
    emit connecting();
    if (!link.openBoard()) {
        restart(reconnect, reconnectIntervalMs);
        emit linkDown();
        return;
    }
    emit linkUp();
    emit readBackWanted();
}

void ConnectionSupervisor::timer_func()
{
    qCDebug(lcTrace, "timer_func()");
    // Every register is read even after a failure, so the panel shows 0xFF
    // for all of them rather than a mix of stale and fresh values.
    for (const int address : pollRegisters)
        mirror.at(address) = static_cast<quint8>(link.register_read(address, Activity::Poll));
    emit refreshWanted();
}

void ConnectionSupervisor::setPolling(bool on)
{
    qCDebug(lcTrace, "on_pollstatus_clicked()");
    if (on)
        restart(poll, pollIntervalMs);
    else
        halt(poll);
    emit pollingChanged(on);
}
