#pragma once
// ATA PASS-THROUGH(16) command blocks for the device layer's own register
// requests, and the ATA registers a SCSI/ATA translation returns in sense data.

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/os_devices.h"

namespace mrv::linux_platform {

enum class AtaProtocol { NonData, PioIn };

/// ATA PASS-THROUGH(16) for a 28-bit command with CK_COND set, so that the
/// registers come back in the sense data even when the command succeeds.
std::array<uint8_t, 16> BuildAtaPassThrough16(const IdeRegisters& regs, AtaProtocol protocol);

/// Registers from an ATA Return descriptor (descriptor sense 72h, descriptor
/// code 09h) or from fixed-format sense (70h/71h). Fixed format comes in two
/// layouts: the standard one (valid bit set, registers in the INFORMATION
/// field) and the one Linux 6.1 to 6.9 wrote (valid bit clear, error, status,
/// device and count at bytes 8..11, LBA at bytes 17..19). False when the sense
/// data carries no registers.
bool DecodeAtaSenseRegisters(const uint8_t* sense, size_t length, IdeRegisters& regs);

} // namespace mrv::linux_platform
