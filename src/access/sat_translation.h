#pragma once
// The SCSI/ATA translation as pure functions: ATA PASS-THROUGH(16) and (12)
// command blocks built from an ATA command, and the ATA registers a
// translating device returns in its sense data.

#include <array>
#include <cstddef>
#include <cstdint>

namespace mrv
{

/// Kinds of ATA command through the SCSI/ATA translation.
enum class SatKind { NonData = 0, PioIn = 1, PioOut = 2, NonDataResult = 3 };

/// The ATA registers after a command.
struct AtaResultRegisters {
    uint8_t status = 0, error = 0, device = 0, lba_high = 0, lba_mid = 0, lba_low = 0, count = 0;
};

/// A 28-bit ATA command as the pass-through carries it.
struct SatCommand {
    SatKind kind = SatKind::NonData;
    uint8_t command = 0;
    uint8_t features = 0;
    uint8_t count = 0;
    uint8_t lba_low = 0, lba_mid = 0, lba_high = 0;
    uint8_t device = 0;
};

std::array<uint8_t, 16> BuildAtaPassThrough16(const SatCommand& command);
std::array<uint8_t, 12> BuildAtaPassThrough12(const SatCommand& command);

/// Registers from descriptor sense (72h/73h) with an ATA Return descriptor
/// (code 09h), or from fixed-format sense (70h/71h): with the VALID bit the
/// registers sit in the information field (bytes 3–6, LBA at 9–11), without it
/// at bytes 8–11 and 17–19 as Linux libata writes them. False when the sense
/// carries no registers.
bool DecodeAtaReturn(const uint8_t* sense, size_t length, AtaResultRegisters& registers);

/// True when the sense data only reports ATA registers of a command that
/// completed without error (the answer to CK_COND).
bool IsAtaPassThroughSuccess(const uint8_t* sense, size_t length);

} // namespace mrv
