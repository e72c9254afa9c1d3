#pragma once
// NVMe identification: the Identify Controller and Identify Namespace
// structures decoded into plain values, and the passport that follows from
// them (the drive record, the list rows and the last LBA).

#include "identify/drive_passport.h"
#include "identify/passport_rows.h"
#include "util/u128.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mrv
{

inline constexpr size_t kNvmeIdentifySize = 4096;

struct NvmeController {
    uint16_t vendor_id = 0;
    uint16_t subsystem_vendor_id = 0;
    std::string serial, model, firmware;
    uint32_t version = 0;
    uint16_t admin_commands = 0; ///< OACS
    uint8_t log_attributes = 0;  ///< LPA
    uint32_t error_log_entries = 0;
    uint16_t warning_temperature_k = 0;
    uint16_t critical_temperature_k = 0;
    U128 total_capacity; ///< bytes; zero when the controller does not say
    uint16_t extended_self_test_minutes = 0;
    uint32_t sanitize_caps = 0;
    uint32_t namespace_count = 0;
    uint16_t nvm_commands = 0; ///< ONCS
    uint8_t format_attributes = 0;
    uint8_t write_cache = 0;

    bool FormatSupported() const { return (admin_commands & 0x02) != 0; }
    bool SelfTestSupported() const { return (admin_commands & 0x10) != 0; }
    bool SecuritySendReceive() const { return (admin_commands & 0x01) != 0; }
    bool SanitizeCrypto() const { return (sanitize_caps & 0x1) != 0; }
    bool SanitizeBlock() const { return (sanitize_caps & 0x2) != 0; }
    bool SanitizeOverwrite() const { return (sanitize_caps & 0x4) != 0; }
    bool SanitizeSupported() const { return (sanitize_caps & 0x7) != 0; }
    bool DatasetManagement() const { return (nvm_commands & 0x04) != 0; }
    bool FormatCryptoErase() const { return (format_attributes & 0x04) != 0; }
    bool WriteCachePresent() const { return (write_cache & 0x01) != 0; }
};

struct NvmeLbaFormat {
    uint16_t metadata_size = 0;
    uint8_t data_shift = 0; ///< the data size is 2^shift bytes; 0: not available
    uint8_t performance = 0;
    uint32_t DataSize() const { return data_shift >= 9 && data_shift <= 16 ? 1u << data_shift : 0u; }
};

struct NvmeNamespace {
    uint64_t size = 0; ///< NSZE, in logical blocks
    uint64_t capacity = 0;
    uint64_t used = 0;
    uint8_t format_in_use = 0;
    bool metadata_extended = false; ///< metadata travels at the end of each block
    std::vector<NvmeLbaFormat> formats;
    const NvmeLbaFormat& InUse() const { return formats[format_in_use]; }
};

/// Nullopt when the block holds no controller identification (no model and
/// no serial: an empty or foreign block).
std::optional<NvmeController> DecodeNvmeController(const uint8_t* data4096);
/// Nullopt when the format in use is not among the namespace's formats or
/// has no usable data size.
std::optional<NvmeNamespace> DecodeNvmeNamespace(const uint8_t* data4096);

/// "1.4", "1.3.1"; "before 1.2" for a controller that leaves the field zero.
std::string NvmeVersionText(uint32_t version);
/// "Best", "Better", "Good", "Degraded".
const char* NvmePerformanceText(uint8_t performance);

/// What the passport of an NVMe drive shows and records. `ns` is absent for
/// a passport file (the file holds the controller only); `cache_on` is the
/// volatile write cache's state when the controller told it.
DecodedPassport DecodeNvmePassport(const NvmeController& controller, const std::optional<NvmeNamespace>& ns,
                                   std::optional<bool> cache_on);

/// "NVMe_<model>_<serial>.bin": an NVMe passport file, kept apart from the
/// ATA ones because it holds the whole 4096-byte structure.
std::string NvmePassportFileName(const std::string& model, const std::string& serial);

} // namespace mrv
