#pragma once
// The ATA registers a SCSI/ATA translation returns in sense data, as both the
// device layer (its own register requests) and the program (ATA commands
// through the SCSI pass-through) read them.

#include "platform/os_devices.h"

#include <cstddef>
#include <cstdint>

namespace mrv
{

/// Registers from an ATA Return descriptor (descriptor sense 72h, descriptor
/// code 09h) or from fixed-format sense (70h/71h): `features` holds the error
/// register and `command` the status. Fixed format comes in two layouts: the
/// standard one (valid bit set, registers in the INFORMATION field) and the one
/// Linux 6.1 to 6.9 wrote (valid bit clear, error, status, device and count at
/// bytes 8..11, LBA at bytes 17..19). False when the sense data carries no
/// registers.
bool DecodeAtaSenseRegisters(const uint8_t* sense, size_t length, IdeRegisters& regs);

} // namespace mrv
