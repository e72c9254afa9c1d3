#pragma once
// The 256 IDENTIFY DEVICE words and the small pure helpers that read them.

#include "identify/drive_passport.h"
#include "util/file_names.h"

#include <array>
#include <cstdint>
#include <string>

namespace mrv
{

using IdentifyWords = std::array<uint16_t, 256>;

/// Words [first, first + count) as text: high byte then low byte of each word,
/// bytes below 32 or above 122 as blanks, trimmed; empty becomes " ".
std::string IdentifyText(const IdentifyWords& words, int first, int count);

/// Bit `bit` of word `index`.
inline bool WordBit(const IdentifyWords& words, int index, int bit)
{
    return (words[static_cast<size_t>(index)] >> bit) & 1;
}

/// The drive family by the first matching rule (0 when none matches).
uint8_t ModelFamilyOf(const std::string& model, uint16_t rotation_rate);

/// The scan's timing base for a decoded passport.
uint16_t ScanTimingBaseOf(const DrivePassport& passport, bool api_mode);

/// A short size in powers of 1024 ("12k", "300M", "931G").
std::string FormatSectorsCompact(int64_t count, uint32_t sector_size, uint32_t sectors_per_mb);

/// Base-2 digits without leading zeros ("0" for 0).
std::string WordToBinary(uint16_t value);

/// "Passp_" + sanitised model_serial + ".bin".
std::string PassportFileName(const std::string& model, const std::string& serial);

/// 1048576 / size, 2048 when that is 0.
inline uint32_t SectorsPerMbOf(uint32_t sector_size)
{
    uint32_t per_mb = sector_size ? 1048576u / sector_size : 0;
    return per_mb ? per_mb : 2048u;
}

} // namespace mrv
