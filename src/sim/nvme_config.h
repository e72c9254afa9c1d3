#pragma once
// What a lab file says about an emulated NVMe controller (a drive reached
// with OsVia=nvme): its optional commands and the state of its health log
// when the lab starts.

#include <cstdint>

namespace mrv::sim
{

struct NvmeConfig {
    uint16_t vendor_id = 0x1B36; ///< PCI vendor ID in Identify Controller
    bool format = true;          ///< Format NVM
    bool format_crypto = false;  ///< Format NVM's cryptographic erase
    bool self_test = true;       ///< Device Self-test
    /// Sanitize actions: bit 0 crypto erase, 1 block erase, 2 overwrite.
    uint8_t sanitize = 0x3;
    uint32_t sanitize_seconds = 30;
    uint8_t critical_warning = 0;
    uint8_t available_spare = 100;
    uint8_t spare_threshold = 10;
    uint8_t percentage_used = 0;
    uint64_t units_read = 0; ///< data units (512,000 bytes) read before the lab started
    uint64_t units_written = 0;
    uint32_t unsafe_shutdowns = 0;
    uint16_t warning_temperature_c = 70;
    uint16_t critical_temperature_c = 85;
    uint32_t timeout_after = 0; ///< the n-th command times out and the controller is removed; 0 = never
};

} // namespace mrv::sim
