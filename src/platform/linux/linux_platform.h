#pragma once
// The real Linux machine as the program's platform: one of each stand-in.
// The entry points build their Platform from these members.

#include "platform/linux/linux_clock.h"
#include "platform/linux/linux_os_devices.h"
#include "platform/linux/linux_pci_config.h"
#include "platform/linux/linux_port_access.h"
#include "platform/linux/linux_port_bus.h"
#include "platform/linux/linux_system_info.h"

namespace mrv::linux_platform
{

struct LinuxPlatform {
    LinuxPortBus ports;
    LinuxPortAccess port_access;
    LinuxOsDevices devices;
    LinuxSystemInfo system;
    LinuxClock clock;
    LinuxPciConfig pci{ports};
};

} // namespace mrv::linux_platform
