#include "platform/linux/linux_pci_config.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace mrv::linux_platform
{

PciRoute LinuxPciConfig::Open(bool ports_granted)
{
    if (ports_granted) {
        route_ = PciRoute::Ports;
    } else {
        std::error_code error;
        route_ = std::filesystem::is_directory(devices_dir_, error) ? PciRoute::System : PciRoute::None;
    }
    return route_;
}

uint32_t LinuxPciConfig::Read(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg)
{
    switch (route_) {
    case PciRoute::Ports:
        return ReadPciConfigPorts(ports_, bus, device, function, reg);
    case PciRoute::System:
        return ReadSysfs(bus, device, function, reg);
    case PciRoute::None:
        break;
    }
    return 0xFFFFFFFFu;
}

uint32_t LinuxPciConfig::ReadSysfs(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg) const
{
    // The legacy mechanism addresses segment 0 only, and so does the scan.
    char name[16];
    std::snprintf(name, sizeof name, "0000:%02x:%02x.%x", bus, device & 0x1F, function & 0x07);
    const std::filesystem::path file = devices_dir_ / name / "config";
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0xFFFFFFFFu;
    uint8_t bytes[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    const ssize_t got = ::pread(fd, bytes, sizeof bytes, reg & 0xFC);
    ::close(fd);
    // Bytes beyond what the kernel lets this process see read as absent.
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const uint8_t byte = i < got ? bytes[i] : 0xFF;
        value |= static_cast<uint32_t>(byte) << (8 * i);
    }
    return value;
}

} // namespace mrv::linux_platform
