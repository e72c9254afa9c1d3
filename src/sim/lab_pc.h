#pragma once
// The virtual PC of a lab: clock, port bus, IDE channels with their drives,
// PCI configuration space, power adaptors, speaker, port-access service, system
// facts and OS devices. Everything the program needs from a platform, plus the
// inspection hooks tests use.

#include "platform/platform.h"
#include "sim/ata_drive.h"
#include "sim/ide_channel.h"
#include "sim/lab_config.h"
#include "sim/pci_bus.h"
#include "sim/power_adaptor.h"
#include "sim/sim_clock.h"
#include "sim/sim_os_devices.h"
#include "sim/sim_pci_config.h"
#include "sim/sim_port_access.h"
#include "sim/sim_port_bus.h"
#include "sim/sim_system_info.h"
#include "sim/speaker.h"

#include <memory>
#include <string>
#include <vector>

namespace mrv::sim
{

class LabPc
{
  public:
    /// Builds the PC; `error` names what failed (an image file that cannot be opened).
    static std::unique_ptr<LabPc> Build(const LabConfig& config, std::string& error);
    ~LabPc();

    PortBus& Ports() { return bus_; }
    SimPortBus& Bus() { return bus_; }
    PortAccessService& PortAccess() { return port_access_; }
    SimPortAccess& SimAccess() { return port_access_; }
    SystemInfo& System() { return system_; }
    SimSystemInfo& SimSystem() { return system_; }
    Clock& GetClock() { return *clock_; }
    SimClock& Time() { return *clock_; }
    OsDevices& Devices() { return *os_devices_; }
    /// The OS-device table, for adding the lab's drives as physical and logical drives.
    SimOsDevices& SimDevices() { return *os_devices_; }
    /// The platform bundle the program runs on.
    Platform AsPlatform()
    {
        return Platform{bus_, port_access_, *os_devices_, system_, *clock_, *pci_config_};
    }

    /// A drive by its lab name, or by channel base and position (0 master, 1 slave); null when absent.
    AtaDrive* Drive(const std::string& name);
    AtaDrive* DriveAt(uint16_t base, int position);
    const std::vector<std::unique_ptr<AtaDrive>>& Drives() const { return drives_; }
    IdeChannel* Channel(uint16_t base);
    PciBus& Pci() { return *pci_; }
    /// The PCI configuration space as the platform offers it to the program.
    SimPciConfig& PciConfig() { return *pci_config_; }
    Speaker& SpeakerLog() { return *speaker_; }
    const LabConfig& Config() const { return config_; }

    /// Switches the supply of every drive off and on again, and lets the system
    /// find devices it gave up (as a reboot of the PC would).
    void PowerCycle();

  private:
    explicit LabPc(const LabConfig& config);

    LabConfig config_;
    std::unique_ptr<SimClock> clock_;
    SimPortBus bus_;
    SimPortAccess port_access_;
    SimSystemInfo system_;
    std::unique_ptr<SimOsDevices> os_devices_;
    std::vector<std::unique_ptr<AtaDrive>> drives_;
    std::vector<std::unique_ptr<IdeChannel>> channels_;
    std::vector<std::unique_ptr<PowerAdaptor>> adaptors_;
    std::unique_ptr<PciBus> pci_;
    std::unique_ptr<SimPciConfig> pci_config_;
    std::unique_ptr<Speaker> speaker_;
};

} // namespace mrv::sim
