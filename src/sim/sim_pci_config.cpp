#include "sim/sim_pci_config.h"

namespace mrv::sim
{

PciRoute SimPciConfig::Open(bool ports_granted)
{
    route_ = ports_granted ? PciRoute::Ports : system_copy_ ? PciRoute::System : PciRoute::None;
    return route_;
}

uint32_t SimPciConfig::Read(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg)
{
    switch (route_) {
    case PciRoute::Ports:
        return ReadPciConfigPorts(ports_, bus, device, function, reg);
    case PciRoute::System:
        return bus_.ReadConfig(bus, device, function, reg);
    case PciRoute::None:
        break;
    }
    return 0xFFFFFFFFu;
}

} // namespace mrv::sim
