#pragma once
// NVMe log pages decoded into plain values, and the rows the SMART panel shows
// for them: the SMART / health information log as attribute-table rows with
// health bars and a verdict, the device self-test log and the error log as
// test-status rows.

#include "form/colour.h"
#include "smart/smart_block.h"
#include "smart/smart_rows.h"
#include "util/u128.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mrv
{

inline constexpr size_t kNvmeHealthLogSize = 512;
inline constexpr size_t kNvmeSelfTestLogSize = 564;
inline constexpr size_t kNvmeErrorEntrySize = 64;
inline constexpr size_t kNvmeSanitizeLogSize = 512;

struct NvmeHealth {
    uint8_t critical_warning = 0;
    uint16_t composite_temperature_k = 0;
    uint8_t available_spare = 0;
    uint8_t spare_threshold = 0;
    uint8_t percentage_used = 0;
    U128 data_units_read, data_units_written; ///< units of 1000 blocks of 512 bytes
    U128 host_reads, host_writes;
    U128 busy_minutes;
    U128 power_cycles, power_on_hours, unsafe_shutdowns;
    U128 media_errors, error_log_entries;
    uint32_t warning_temperature_minutes = 0;
    uint32_t critical_temperature_minutes = 0;
    std::array<uint16_t, 8> sensors_k{}; ///< 0: no such sensor

    /// The composite temperature in °C.
    int CompositeCelsius() const { return static_cast<int>(composite_temperature_k) - 273; }
};

NvmeHealth DecodeNvmeHealth(const uint8_t* log512);

/// Bytes that a count of data units stands for (512,000 each).
U128 NvmeDataUnitBytes(const U128& units);
/// "1.02 Tb" (the passport's decimal units) for a byte count.
std::string NvmeBytesText(const U128& bytes);

/// Any critical warning bit set is BAD, none GOOD.
SmartVerdict NvmeVerdict(const NvmeHealth& health);
/// The attribute-table rows of the health log.
std::vector<SmartRow> NvmeHealthRows(const NvmeHealth& health);

struct NvmeSelfTestResult {
    uint8_t code = 0;   ///< 1 short, 2 extended, Eh vendor specific
    uint8_t result = 0; ///< 0 passed, 1..9 aborted or failed, Fh unused
    uint8_t segment = 0;
    uint64_t power_on_hours = 0;
    bool nsid_valid = false, lba_valid = false, status_valid = false;
    uint32_t nsid = 0;
    uint64_t failing_lba = 0;
    uint16_t status = 0; ///< status code type and code when `status_valid`
};

struct NvmeSelfTestLog {
    uint8_t current_operation = 0; ///< 0: none runs
    uint8_t current_completion = 0;
    std::vector<NvmeSelfTestResult> results; ///< newest first, unused entries left out
};

NvmeSelfTestLog DecodeNvmeSelfTestLog(const uint8_t* log564);

/// "Short self-test", "Extended self-test", "Vendor self-test".
std::string NvmeSelfTestName(uint8_t code);
/// "Completed without error", "Aborted by a Device Self-test command", ...
std::string NvmeSelfTestResultText(uint8_t result);

struct NvmeErrorEntry {
    uint64_t error_count = 0; ///< 0: unused entry
    uint16_t queue = 0;
    uint16_t command_id = 0;
    uint16_t status = 0; ///< without the phase bit
    uint64_t lba = 0;
    uint32_t nsid = 0;
};

/// The used entries of an error log of `count` entries.
std::vector<NvmeErrorEntry> DecodeNvmeErrorLog(const uint8_t* log, size_t count);

/// The test-status list: the running test and its completion, the recommended
/// extended-test time, the last results and the newest error-log entries.
std::vector<SmartTestRow> NvmeTestRows(const NvmeSelfTestLog& log, uint16_t extended_minutes,
                                       const std::vector<NvmeErrorEntry>& errors);
/// The test meter's position (0..10) from the running test's completion.
int NvmeMeterPosition(const NvmeSelfTestLog& log);

struct NvmeSanitizeStatus {
    uint16_t progress = 0; ///< of 65536
    uint8_t state = 0; ///< 0 never, 1 completed, 2 in progress, 3 failed, 4 completed without deallocation
    bool InProgress() const { return state == 2; }
    int Percent() const { return progress * 100 / 65536; }
};

NvmeSanitizeStatus DecodeNvmeSanitizeStatus(const uint8_t* log512);

} // namespace mrv
