#ifndef ZQ40613_CONNECTIONSUPERVISOR_H
#define ZQ40613_CONNECTIONSUPERVISOR_H

#include "common/registermirror.h"

#include <functional>

class DeviceLink;
class StatusFields;

// Keeps the link to the board alive: opens and sets up the board, retries
// while it is missing, and polls the panel's registers once a second while
// polling is on. What happens after a connection (reading the registers back)
// and after a poll (refreshing the panel) is handed in by the owner.
class ConnectionSupervisor
{
public:
    // The registers a status poll reads: every register the panel shows.
    static constexpr int panelRegisters[] = {0x00, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e};

    ConnectionSupervisor(DeviceLink &link, RegisterMirror &mirror, StatusFields &status,
                         std::function<void()> refreshDisplay, std::function<void()> readBack);

    // The connection attempt: at start-up and on every reconnect tick.
    void init_hardware();
    // One status poll.
    void timer_func();
    // Refreshes the panel and then shows the link state it left.
    void refreshPanel();
    // The "Poll status" check box was clicked.
    void setPolling(bool on);

private:
    void showLinkState();

    DeviceLink &link;
    RegisterMirror &mirror;
    StatusFields &status;
    std::function<void()> refreshDisplay;
    std::function<void()> readBack;
};

#endif
