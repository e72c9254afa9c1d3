#pragma once
// PCI configuration space as the program reads it: through configuration
// mechanism #1 (the address port 0CF8h and the data port 0CFCh) when the
// process holds the port grant, or through the system's own copy where the
// system offers one (Linux: /sys/bus/pci/devices/*/config).

#include "platform/port_bus.h"

#include <cstdint>

namespace mrv
{

enum class PciRoute { None, Ports, System };

class PciConfigSpace
{
  public:
    virtual ~PciConfigSpace() = default;

    /// Chooses how the following reads go: the configuration ports when
    /// `ports_granted`, otherwise the system's copy; None when neither exists.
    virtual PciRoute Open(bool ports_granted) = 0;
    /// The dword at (`reg` AND FCh) of one function, on the route chosen last;
    /// an absent function (or no route) reads as all ones.
    virtual uint32_t Read(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg) = 0;
};

/// The address dword of configuration mechanism #1.
uint32_t PciConfigAddress(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg);
/// One configuration read through the ports 0CF8h/0CFCh.
uint32_t ReadPciConfigPorts(PortBus& ports, uint8_t bus, uint8_t device, uint8_t function, uint8_t reg);

/// A system without a copy of its own: the ports or nothing.
class PortPciConfig : public PciConfigSpace
{
  public:
    explicit PortPciConfig(PortBus& ports) : ports_(ports) {}
    PciRoute Open(bool ports_granted) override;
    uint32_t Read(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg) override;

  private:
    PortBus& ports_;
    PciRoute route_ = PciRoute::None;
};

} // namespace mrv
