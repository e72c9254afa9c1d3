#pragma once
// The 512-byte SMART data and threshold blocks as the drive returns them, the
// raw-value rules, the collection and self-test status bytes and the verdict
// of RETURN STATUS.

#include "form/colour.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace mrv
{

inline constexpr size_t kSmartBlockSize = 512;
inline constexpr int kSmartEntryCount = 30;

/// One 12-byte attribute entry.
struct SmartEntry {
    uint8_t id = 0; ///< 0: empty slot
    uint16_t flags = 0;
    uint8_t value = 0;
    uint8_t worst = 0;
    std::array<uint8_t, 6> raw{};

    bool PreFailure() const { return (flags & 0x0001) != 0; }
    /// r0, r1, r2: the raw bytes as three little-endian 16-bit words.
    uint16_t RawWord(int index) const
    {
        return static_cast<uint16_t>(raw[static_cast<size_t>(index) * 2] |
                                     raw[static_cast<size_t>(index) * 2 + 1] << 8);
    }
    /// r0 + r1·65536 + r2·2³².
    uint64_t RawNumber() const;
};

/// Entry `index` (0–29) of a data block.
SmartEntry SmartEntryAt(const uint8_t* block, int index);
/// The threshold of entry `index` of a threshold block (the ID is not compared).
uint8_t SmartThresholdAt(const uint8_t* thresholds, int index);

/// Attributes of which only r0 is shown (counters whose upper bytes are vendor data).
bool ShowsLowWordOnly(uint8_t id);
/// Temperature attributes (190, 194, 231).
bool IsTemperatureAttribute(uint8_t id);
/// The raw number as the table shows it and ReadSmart reports it.
uint64_t ShownRawNumber(const SmartEntry& entry);
/// "40°C/104°F".
std::string TemperatureText(int16_t celsius);

/// The collection and self-test fields after the attribute entries.
struct SmartCollectionStatus {
    uint8_t offline_status = 0;   ///< byte 362
    uint8_t self_test_status = 0; ///< byte 363
    uint16_t offline_seconds = 0; ///< bytes 364–365
    uint8_t short_minutes = 0;    ///< byte 372
    uint8_t extended_minutes = 0; ///< byte 373
};
SmartCollectionStatus SmartCollectionOf(const uint8_t* block);

std::string OfflineStatusText(uint8_t status);
form::Colour OfflineStatusColour(uint8_t status);
/// `status`: the high nibble of byte 363.
std::string SelfTestStatusText(uint8_t status);
form::Colour SelfTestStatusColour(uint8_t status);
/// The self-test meter (0–10): ten less the remaining work in tenths, where 0
/// or anything above 10 counts as 10.
int SmartMeterPosition(uint8_t self_test_byte);

/// The overall health as RETURN STATUS reports it.
enum class SmartVerdict : uint8_t { Bad = 0, Good = 1, Unknown = 0xFF };
/// GOOD when LBA mid/high hold the 4Fh/C2h signature, otherwise BAD.
SmartVerdict VerdictFromRegisters(uint8_t lba_mid, uint8_t lba_high);

} // namespace mrv
