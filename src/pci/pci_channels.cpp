#include "pci/pci_channels.h"

namespace mrv
{

namespace
{

constexpr uint16_t kIdeClass = 0x0101;
constexpr uint16_t kAceLab = 0xACE1;
constexpr PciChannel kLegacy[2] = {{0x1F0, 0x3F6}, {0x170, 0x376}};

// The I/O port a BAR decodes. A memory BAR names no port at all: its low bits
// are an address in memory space, and taking them as a port would send ATA
// commands to whatever device sits there.
uint16_t IoPort(uint32_t bar)
{
    return (bar & 1) != 0 ? static_cast<uint16_t>(bar & 0xFFFC) : 0;
}

} // namespace

bool IsStorageClass(uint16_t class_code)
{
    return class_code == 0x0101 || class_code == 0x0104 || class_code == 0x0180;
}

BoardKind BoardKindOf(uint16_t vendor_id, uint16_t device_id)
{
    if (vendor_id != kAceLab) return BoardKind::Plain;
    if (device_id == 0x0005) return BoardKind::Pc3000Pci;
    if (device_id == 0x0006) return BoardKind::Pc3000Udma;
    return BoardKind::Plain;
}

std::vector<PciChannel> ChannelsOf(const PciFunctionRegisters& f)
{
    const BoardKind kind = BoardKindOf(f.vendor_id, f.device_id);
    const int count = IsStorageClass(f.class_code) ? 2 : 1;
    std::vector<PciChannel> channels;
    for (int index = 0; index < count; ++index) {
        PciChannel c;
        if (index == 0) {
            c.base = IoPort(f.bars[0]);
        } else if (kind == BoardKind::Plain) {
            c.base = IoPort(f.bars[2]);
        } else if (kind == BoardKind::Pc3000Udma) {
            c.base = static_cast<uint16_t>(channels[0].base + 0x20);
        } // the PC-3000 PCI board has one channel: its second row carries base 0
        if (kind != BoardKind::Plain)
            c.alt = static_cast<uint16_t>(c.base + 0x0E);
        else
            c.alt = static_cast<uint16_t>(IoPort(f.bars[index == 0 ? 1 : 3]) + 2);
        // An IDE controller in legacy mode decodes the fixed ports, whatever its BARs say.
        if (c.base == 0 && f.class_code == kIdeClass) c = kLegacy[index];
        channels.push_back(c);
    }
    return channels;
}

} // namespace mrv
