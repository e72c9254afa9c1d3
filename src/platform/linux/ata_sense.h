#pragma once
// ATA PASS-THROUGH(16) command blocks for the device layer's own register
// requests (their answers are read by DecodeAtaSenseRegisters).

#include "platform/ata_sense_registers.h"
#include "platform/os_devices.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace mrv::linux_platform
{

enum class AtaProtocol { NonData, PioIn };

/// ATA PASS-THROUGH(16) for a 28-bit command with CK_COND set, so that the
/// registers come back in the sense data even when the command succeeds.
std::array<uint8_t, 16> BuildAtaPassThrough16(const IdeRegisters& regs, AtaProtocol protocol);

} // namespace mrv::linux_platform
