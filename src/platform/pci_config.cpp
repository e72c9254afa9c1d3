#include "platform/pci_config.h"

namespace mrv
{

namespace
{
constexpr uint16_t kAddressPort = 0xCF8;
constexpr uint16_t kDataPort = 0xCFC;
} // namespace

uint32_t PciConfigAddress(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg)
{
    return 0x80000000u | static_cast<uint32_t>(bus) << 16 | static_cast<uint32_t>(device & 0x1F) << 11 |
           static_cast<uint32_t>(function & 0x07) << 8 | (reg & 0xFCu);
}

uint32_t ReadPciConfigPorts(PortBus& ports, uint8_t bus, uint8_t device, uint8_t function, uint8_t reg)
{
    ports.OutDword(kAddressPort, PciConfigAddress(bus, device, function, reg));
    return ports.InDword(kDataPort);
}

PciRoute PortPciConfig::Open(bool ports_granted)
{
    route_ = ports_granted ? PciRoute::Ports : PciRoute::None;
    return route_;
}

uint32_t PortPciConfig::Read(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg)
{
    if (route_ != PciRoute::Ports) return 0xFFFFFFFFu;
    return ReadPciConfigPorts(ports_, bus, device, function, reg);
}

} // namespace mrv
