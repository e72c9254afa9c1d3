#pragma once
// The virtual PC's view of its PCI configuration space: through the port bus
// (0CF8h/0CFCh) while the program holds the port grant, and straight from the
// PCI bus when the lab gives the system a copy of its own (as Linux sysfs is).

#include "platform/pci_config.h"
#include "sim/pci_bus.h"

namespace mrv::sim
{

class SimPciConfig : public PciConfigSpace
{
  public:
    SimPciConfig(PortBus& ports, PciBus& bus, bool system_copy)
        : ports_(ports), bus_(bus), system_copy_(system_copy)
    {
    }

    PciRoute Open(bool ports_granted) override;
    uint32_t Read(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg) override;

  private:
    PortBus& ports_;
    PciBus& bus_;
    bool system_copy_;
    PciRoute route_ = PciRoute::None;
};

} // namespace mrv::sim
