#pragma once
// The ATA channels a PCI function offers: which base and alternate-status
// ports each listed row carries, from the function's class, its BARs and the
// kind of board it is.

#include <array>
#include <cstdint>
#include <vector>

namespace mrv
{

/// Storage classes the scan lists without "All dev": IDE, RAID, other mass storage.
bool IsStorageClass(uint16_t class_code);

/// The data-recovery boards whose channels do not follow their BARs.
enum class BoardKind { Plain = 0, Pc3000Pci = 1, Pc3000Udma = 2 };
BoardKind BoardKindOf(uint16_t vendor_id, uint16_t device_id);

struct PciChannel {
    uint16_t base = 0;
    uint16_t alt = 0;
};

/// What the scan read of one function.
struct PciFunctionRegisters {
    uint16_t vendor_id = 0, device_id = 0;
    uint16_t class_code = 0;        ///< base class << 8 | sub-class
    std::array<uint32_t, 4> bars{}; ///< BAR0-BAR3
};

/// The rows of a function: two channels for a storage class, one row otherwise.
std::vector<PciChannel> ChannelsOf(const PciFunctionRegisters& function);

} // namespace mrv
