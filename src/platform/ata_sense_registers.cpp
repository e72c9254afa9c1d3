#include "platform/ata_sense_registers.h"

namespace mrv
{

namespace
{

constexpr uint8_t kAtaReturnDescriptor = 0x09;
constexpr uint8_t kAtaReturnDescriptorLength = 0x0C;

bool DecodeDescriptor(const uint8_t* sense, size_t length, IdeRegisters& regs)
{
    if (length < 8) return false;
    // The descriptors follow the 8-byte header; the additional length bounds them.
    size_t end = 8 + static_cast<size_t>(sense[7]);
    if (end > length) end = length;
    size_t at = 8;
    while (at + 2 <= end) {
        const uint8_t code = sense[at];
        const size_t size = 2 + static_cast<size_t>(sense[at + 1]);
        if (code == kAtaReturnDescriptor) {
            if (sense[at + 1] < kAtaReturnDescriptorLength || at + 14 > end) return false;
            const uint8_t* d = sense + at;
            regs.features = d[3];
            regs.count = d[5];
            regs.lba_low = d[7];
            regs.lba_mid = d[9];
            regs.lba_high = d[11];
            regs.device = d[12];
            regs.command = d[13];
            return true;
        }
        at += size;
    }
    return false;
}

bool DecodeFixed(const uint8_t* sense, size_t length, IdeRegisters& regs)
{
    const bool info_valid = (sense[0] & 0x80) != 0;
    const bool info_nonzero = length >= 7 && (sense[3] | sense[4] | sense[5] | sense[6]) != 0;
    if (info_valid || info_nonzero) {
        if (length < 12) return false;
        regs.features = sense[3];
        regs.command = sense[4];
        regs.device = sense[5];
        regs.count = sense[6];
        regs.lba_low = sense[9];
        regs.lba_mid = sense[10];
        regs.lba_high = sense[11];
        return true;
    }
    // Older libata: registers placed from byte 8 on, the INFORMATION field left zero.
    if (length < 12 || sense[9] == 0) return false; // a status of 0 means nothing was placed
    regs.features = sense[8];
    regs.command = sense[9];
    regs.device = sense[10];
    regs.count = sense[11];
    // The additional length of that layout stops at byte 17, so LBA bytes may be cut off.
    if (length > 17) regs.lba_low = sense[17];
    if (length > 18) regs.lba_mid = sense[18];
    if (length > 19) regs.lba_high = sense[19];
    return true;
}

} // namespace

bool DecodeAtaSenseRegisters(const uint8_t* sense, size_t length, IdeRegisters& regs)
{
    if (sense == nullptr || length < 8) return false;
    const uint8_t response = sense[0] & 0x7F;
    if (response == 0x72 || response == 0x73) return DecodeDescriptor(sense, length, regs);
    if (response == 0x70 || response == 0x71) return DecodeFixed(sense, length, regs);
    return false;
}

} // namespace mrv
