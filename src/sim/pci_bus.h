#pragma once
// PCI configuration mechanism #1: the address register at 0CF8h and the data
// window at 0CFCh-0CFFh, over a list of devices described by the lab.

#include "sim/port_device.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace mrv::sim
{

struct PciDeviceConfig {
    std::string name;
    uint8_t bus = 0, device = 0, function = 0;
    uint16_t vendor = 0x8086, device_id = 0x7111;
    uint8_t class_code = 0x01, subclass = 0x01, prog_if = 0x80, revision = 0x01;
    uint8_t header_type = 0x00;
    bool multifunction = false;
    std::array<uint32_t, 6> bars{};
};

class PciBus : public PortDevice
{
  public:
    static constexpr uint16_t kAddressPort = 0xCF8;
    static constexpr uint16_t kDataPort = 0xCFC;

    explicit PciBus(const std::vector<PciDeviceConfig>& devices);
    /// A PIIX-style IDE controller in legacy mode, and a native-mode controller
    /// whose first channel sits at D400h/D802h.
    static std::vector<PciDeviceConfig> DefaultDevices();

    uint32_t In(uint16_t port, int width) override;
    void Out(uint16_t port, uint32_t value, int width) override;

    /// Reads a configuration dword directly (for tests).
    uint32_t ReadConfig(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg);

  private:
    struct Function {
        uint8_t bus, device, function;
        std::array<uint8_t, 256> space{};
        std::array<uint32_t, 6> bar_mask{};
    };
    Function* Find(uint32_t address);

    std::vector<Function> functions_;
    uint32_t address_ = 0;
    std::mutex mutex_;
};

} // namespace mrv::sim
