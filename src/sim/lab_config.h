#pragma once
// Everything a lab file describes, parsed but not yet built.

#include "platform/clock.h"
#include "sim/drive_config.h"
#include "sim/pci_bus.h"
#include "sim/sim_clock.h"
#include "sim/sim_port_access.h"
#include "sim/sim_system_info.h"

#include <optional>
#include <string>
#include <vector>

namespace mrv::sim
{

struct ChannelConfig {
    std::string name;
    uint16_t base = 0;
    uint16_t alt = 0;
    std::string master; ///< drive section name, empty = no device
    std::string slave;
    bool power_adaptor = false;
    bool power_on = true;
};

struct LabConfig {
    std::string source; ///< file name for messages
    SystemConfig system;
    ClockMode clock = ClockMode::Virtual;
    std::optional<LocalDateTime> start_time;
    /// Virtual time every clock read adds (see SimClock::SetPollQuantumNs).
    uint64_t poll_ns = 2000;
    PortAccessConfig port_access;
    std::vector<ChannelConfig> channels;
    std::vector<DriveConfig> drives;
    bool pci_default = true;
    std::vector<PciDeviceConfig> pci;
    /// The system offers PCI configuration space without port access (as Linux sysfs does).
    bool pci_sysfs = false;
    std::string empty_letters; ///< logical drives without a medium: "E:cdrom,N:network"
};

} // namespace mrv::sim
