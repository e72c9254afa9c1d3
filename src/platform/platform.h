#pragma once
// The platform objects the program runs on: real Linux, or the virtual PC.

#include "platform/clock.h"
#include "platform/os_devices.h"
#include "platform/pci_config.h"
#include "platform/port_access.h"
#include "platform/port_bus.h"
#include "platform/system_info.h"

namespace mrv
{

struct Platform {
    PortBus& ports;
    PortAccessService& port_access;
    OsDevices& devices;
    SystemInfo& system;
    Clock& clock;
    PciConfigSpace& pci;
};

} // namespace mrv
