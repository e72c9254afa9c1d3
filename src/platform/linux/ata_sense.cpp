#include "platform/linux/ata_sense.h"

namespace mrv::linux_platform
{

namespace
{

constexpr uint8_t kAtaPassThrough16 = 0x85;
constexpr uint8_t kCkCond = 0x20;
constexpr uint8_t kTDirIn = 0x08;
constexpr uint8_t kBytBlok = 0x04;
constexpr uint8_t kTLengthInCount = 0x02;

} // namespace

std::array<uint8_t, 16> BuildAtaPassThrough16(const IdeRegisters& regs, AtaProtocol protocol)
{
    std::array<uint8_t, 16> cdb{};
    cdb[0] = kAtaPassThrough16;
    if (protocol == AtaProtocol::PioIn) {
        cdb[1] = 4 << 1;
        cdb[2] = kCkCond | kTDirIn | kBytBlok | kTLengthInCount;
    } else {
        cdb[1] = 3 << 1;
        cdb[2] = kCkCond;
    }
    cdb[4] = regs.features;
    cdb[6] = regs.count;
    cdb[8] = regs.lba_low;
    cdb[10] = regs.lba_mid;
    cdb[12] = regs.lba_high;
    cdb[13] = regs.device;
    cdb[14] = regs.command;
    return cdb;
}

} // namespace mrv::linux_platform
