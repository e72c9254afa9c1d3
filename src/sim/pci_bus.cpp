#include "sim/pci_bus.h"

namespace mrv::sim
{

namespace
{

void Put16(std::array<uint8_t, 256>& s, int at, uint16_t v)
{
    s[at] = static_cast<uint8_t>(v);
    s[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::array<uint8_t, 256>& s, int at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace

std::vector<PciDeviceConfig> PciBus::DefaultDevices()
{
    PciDeviceConfig host{"host bridge", 0, 0, 0, 0x8086, 0x7190, 0x06, 0x00, 0x00, 0x03, 0x00, false, {}};
    PciDeviceConfig isa{"ISA bridge", 0, 7, 0, 0x8086, 0x7110, 0x06, 0x01, 0x00, 0x02, 0x00, true, {}};
    PciDeviceConfig ide{"PIIX4 IDE", 0, 7, 1, 0x8086, 0x7111, 0x01, 0x01, 0x80, 0x01, 0x00, false, {}};
    ide.bars[4] = 0xF001; // bus-master registers
    PciDeviceConfig native{"native IDE", 0, 9, 0, 0x1095, 0x0680, 0x01, 0x80, 0x8F, 0x02, 0x00, false, {}};
    native.bars = {0xD401, 0xD801, 0xD501, 0xD901, 0xE001, 0};
    return {host, isa, ide, native};
}

PciBus::PciBus(const std::vector<PciDeviceConfig>& devices)
{
    for (const PciDeviceConfig& d : devices) {
        Function f{d.bus, d.device, d.function, {}, {}};
        Put16(f.space, 0x00, d.vendor);
        Put16(f.space, 0x02, d.device_id);
        Put16(f.space, 0x04, 0x0005); // I/O and bus master enabled
        Put16(f.space, 0x06, 0x0280);
        f.space[0x08] = d.revision;
        f.space[0x09] = d.prog_if;
        f.space[0x0A] = d.subclass;
        f.space[0x0B] = d.class_code;
        f.space[0x0E] = static_cast<uint8_t>((d.header_type & 0x7F) | (d.multifunction ? 0x80 : 0));
        for (int i = 0; i < 6; ++i) {
            Put32(f.space, 0x10 + 4 * i, d.bars[i]);
            if (d.bars[i] == 0) continue;
            // Size the BAR as an ATA controller's: command 8, control 4, bus master 16 ports.
            const bool io = (d.bars[i] & 1) != 0;
            const uint32_t size = io ? (i == 1 || i == 3 ? 4 : i == 4 ? 16 : 8) : 0x1000;
            f.bar_mask[i] = ~(size - 1);
        }
        f.space[0x3D] = 0x01;
        functions_.push_back(f);
    }
}

PciBus::Function* PciBus::Find(uint32_t address)
{
    if ((address & 0x80000000u) == 0) return nullptr;
    const auto bus = static_cast<uint8_t>(address >> 16);
    const auto dev = static_cast<uint8_t>((address >> 11) & 0x1F);
    const auto fn = static_cast<uint8_t>((address >> 8) & 0x07);
    for (Function& f : functions_)
        if (f.bus == bus && f.device == dev && f.function == fn) return &f;
    return nullptr;
}

uint32_t PciBus::In(uint16_t port, int width)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (port >= kAddressPort && port < kAddressPort + 4) {
        const int shift = 8 * (port - kAddressPort);
        return (address_ >> shift) & FloatingBus(width);
    }
    Function* f = Find(address_);
    if (f == nullptr) return FloatingBus(width);
    const int offset = (address_ & 0xFC) + (port - kDataPort);
    uint32_t v = 0;
    for (int i = 0; i < width && offset + i < 256; ++i)
        v |= static_cast<uint32_t>(f->space[offset + i]) << (8 * i);
    return v;
}

void PciBus::Out(uint16_t port, uint32_t value, int width)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (port >= kAddressPort && port < kAddressPort + 4) {
        const int shift = 8 * (port - kAddressPort);
        const uint32_t mask = FloatingBus(width) << shift;
        address_ = (address_ & ~mask) | ((value << shift) & mask);
        return;
    }
    Function* f = Find(address_);
    if (f == nullptr) return;
    const int offset = (address_ & 0xFC) + (port - kDataPort);
    for (int i = 0; i < width && offset + i < 256; ++i) {
        const int at = offset + i;
        const auto byte = static_cast<uint8_t>(value >> (8 * i));
        if (at >= 0x10 && at < 0x28) {
            const int bar = (at - 0x10) / 4;
            if (f->bar_mask[bar] == 0) continue; // unimplemented BAR stays zero
            const uint8_t mask = static_cast<uint8_t>(f->bar_mask[bar] >> (8 * ((at - 0x10) % 4)));
            const uint8_t fixed = (at - 0x10) % 4 == 0 ? (f->space[at] & 0x01) : 0;
            f->space[at] = static_cast<uint8_t>((byte & mask) | fixed);
        } else if (at == 0x04 || at == 0x05 || at == 0x0C || at == 0x0D || at == 0x3C) {
            f->space[at] = byte;
        }
    }
}

uint32_t PciBus::ReadConfig(uint8_t bus, uint8_t device, uint8_t function, uint8_t reg)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        address_ = 0x80000000u | static_cast<uint32_t>(bus) << 16 | static_cast<uint32_t>(device) << 11 |
                   static_cast<uint32_t>(function) << 8 | (reg & 0xFC);
    }
    return In(kDataPort, 4);
}

} // namespace mrv::sim
