#pragma once
// Registers of the ATA commands the program sends in more than one place.

#include "platform/ata_command.h"

namespace mrv
{

/// IDENTIFY DEVICE: one sector of data in.
inline constexpr AtaRegisters kIdentifyDevice{.count = 1, .lba_low = 1, .device = 0xA0, .command = 0xEC};
/// CHECK POWER MODE: the mode comes back in the count register.
inline constexpr AtaRegisters kCheckPowerMode{.device = 0xA0, .command = 0xE5};
/// SET FEATURES 03h (set transfer mode, value 0Ch) as the extended passport's
/// command diagnostic sends it.
inline constexpr AtaRegisters kSetFeaturesProbe{.features = 0x03,
                                                .count = 0x0C,
                                                .lba_low = 0x00,
                                                .lba_mid = 0x4F,
                                                .lba_high = 0xC2,
                                                .device = 0xA0,
                                                .command = 0xEF};
/// WRITE BUFFER and READ BUFFER: one sector through the drive's buffer (the
/// drive ignores the count; it says how many blocks the host moves).
inline constexpr AtaRegisters kWriteBuffer{.count = 1, .device = 0xA0, .command = 0xE8};
inline constexpr AtaRegisters kReadBuffer{.count = 1, .device = 0xA0, .command = 0xE4};

} // namespace mrv
