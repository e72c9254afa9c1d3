#pragma once
// PCI configuration space on Linux: the configuration ports while the process
// holds the port grant, otherwise the kernel's copy in sysfs, which needs no
// port access (an unprivileged process sees the first 64 bytes, which hold
// every register the scan reads).

#include "platform/pci_config.h"

#include <filesystem>

namespace mrv::linux_platform
{

class LinuxPciConfig : public PciConfigSpace
{
  public:
    /// `devices_dir`: the sysfs directory of the PCI functions.
    explicit LinuxPciConfig(PortBus& ports, std::filesystem::path devices_dir = "/sys/bus/pci/devices")
        : ports_(ports), devices_dir_(std::move(devices_dir))
    {
    }

    PciRoute Open(bool ports_granted) override;
    uint32_t Read(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg) override;

  private:
    uint32_t ReadSysfs(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg) const;

    PortBus& ports_;
    std::filesystem::path devices_dir_;
    PciRoute route_ = PciRoute::None;
};

} // namespace mrv::linux_platform
