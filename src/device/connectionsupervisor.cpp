#include "device/connectionsupervisor.h"

#include "common/trace.h"
#include "device/devicelink.h"
#include "device/statusfields.h"

#include <utility>

ConnectionSupervisor::ConnectionSupervisor(DeviceLink &link, RegisterMirror &mirror,
                                           StatusFields &status,
                                           std::function<void()> refreshDisplay,
                                           std::function<void()> readBack)
    : link(link), mirror(mirror), status(status), refreshDisplay(std::move(refreshDisplay)),
      readBack(std::move(readBack))
{
}

void ConnectionSupervisor::showLinkState()
{
    status.write_statusbar(0, 0, StatusFields::writeForm);
}

void ConnectionSupervisor::init_hardware()
{
    // The tick after a successful open finds the board connected and ends
    // the retry cycle.
    if (link.isConnected()) {
        link.reconnectTimer().stop();
        refreshPanel();
        return;
    }
    qCDebug(lcTrace, "init_hardware()");
    showLinkState();
    if (!link.openBoard())
        return;
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
    link.setPolling(on);
}
