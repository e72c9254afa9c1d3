#pragma once
// The SCSI/ATA translation as pure functions: ATA PASS-THROUGH(16) and (12)
// command blocks built from an ATA command value, and the ATA registers a
// translating device returns in its sense data. Both the device layer (its own
// register requests) and the program's pass-through route use them.

#include "platform/ata_command.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace mrv
{

/// ATA PASS-THROUGH(16). The EXTEND bit is always set, so a 28-bit command
/// carries zero previous bytes; CK_COND is set when the registers are wanted.
std::array<uint8_t, 16> BuildAtaPassThrough16(const AtaCommand& command);
/// ATA PASS-THROUGH(12): 28-bit commands only (no room for previous bytes).
std::array<uint8_t, 12> BuildAtaPassThrough12(const AtaCommand& command);

/// Registers from an ATA Return descriptor (descriptor sense 72h, descriptor
/// code 09h; previous bytes too when its EXTEND bit is set) or from
/// fixed-format sense (70h/71h): `features` holds the error register and
/// `command` the status. Fixed format comes in two layouts: the standard one
/// (valid bit set, registers in the INFORMATION field) and the one Linux 6.1 to
/// 6.9 wrote (valid bit clear, error, status, device and count at bytes 8..11,
/// LBA at bytes 17..19). False when the sense data carries no registers.
bool DecodeAtaSenseRegisters(const uint8_t* sense, size_t length, AtaRegisters& registers);

/// The same, and only when the registers look like a copy a drive returned
/// (a status with BSY set or with no bit set is none).
bool DecodeAtaReturn(const uint8_t* sense, size_t length, AtaRegisters& registers);

/// Sense key of fixed or descriptor sense data; −1 when there is none.
int SenseKey(const uint8_t* sense, size_t length);

/// True when the sense data only reports ATA registers of a command that
/// completed without error (the answer to CK_COND).
bool IsAtaPassThroughSuccess(const uint8_t* sense, size_t length);

} // namespace mrv
