#pragma once
// What a lab file says about one emulated ATA drive.

#include "platform/os_devices.h"
#include "sim/nvme_config.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mrv::sim
{

enum class DefectKind {
    Unreadable, ///< damaged surface: reads end in UNC after retries, writes do not heal it
    Slow,       ///< reads and writes succeed after extra latency
    Stuck,      ///< the drive stays busy until a software reset
    WriteFail,  ///< writes end in a device fault
    Pending,    ///< unreadable until written; the write reallocates it to a spare
    Distort,    ///< reads succeed, but written data reads back changed
};

struct DefectRange {
    uint64_t first = 0;
    uint64_t last = 0;
    DefectKind kind = DefectKind::Unreadable;
    uint32_t delay_ms = 0; ///< extra latency of a slow sector
};

struct SmartAttributeConfig {
    uint8_t id = 0;
    uint16_t flags = 0;
    uint8_t value = 100;
    uint8_t worst = 100;
    uint8_t threshold = 0;
    uint64_t raw = 0;
};

struct DriveConfig {
    std::string name; ///< the lab's name for it
    std::string model = "MORVANTA VIRTUAL HDD";
    std::string serial = "VLAB0000000001";
    std::string firmware = "1.00";

    uint64_t native_sectors = 1000215216; ///< native capacity in logical sectors
    uint64_t max_sectors = 0;             ///< addressable count after a permanent HPA; 0 = native
    uint32_t logical_sector_size = 512;
    uint32_t physical_sector_size = 512;
    bool lba48 = true;
    uint16_t cylinders = 0, heads = 0, sectors_per_track = 0; ///< 0 = derived

    bool ssd = false;
    uint16_t rpm = 7200;
    bool sata = true;
    int sata_gen = 2;
    bool ncq = true;
    bool trim = false;
    int udma_max = 6; ///< -1 none
    int mwdma_max = 2;
    uint32_t cache_kb = 8192;
    bool write_cache = true;
    bool look_ahead = true;

    bool smart_supported = true;
    bool smart_enabled = true;
    bool hpa_supported = true;
    bool aam_supported = true;
    uint8_t aam_value = 254;
    bool aam_enabled = true;
    bool apm_supported = true;
    uint8_t apm_value = 254;
    bool dco_supported = true;
    bool sct_supported = true;

    bool security_supported = true;
    std::string user_password;   ///< non-empty: security enabled
    std::string master_password; ///< empty: the factory master password
    bool security_level_max = false;
    bool locked = true;  ///< with a user password: locked at power-on
    bool frozen = false; ///< frozen from the start (as a BIOS would leave it)
    uint16_t erase_minutes = 112;

    // Timing (milliseconds unless stated).
    double track_to_track_ms = 1.0;
    double full_stroke_ms = 18.0;
    double outer_mbps = 150.0;
    double inner_mbps = 70.0;
    double ssd_mbps = 500.0;
    uint32_t ssd_latency_us = 40;
    uint32_t spin_up_ms = 4000;
    uint32_t spin_down_ms = 300;
    uint32_t reset_ms = 30;
    uint32_t unc_delay_ms = 600;

    // SMART.
    std::vector<SmartAttributeConfig> attributes; ///< empty: the profile's default table
    int temperature_c = 32;
    uint32_t spares = 2048;
    uint32_t short_test_minutes = 2;
    uint32_t extended_test_minutes = 90;
    uint32_t offline_seconds = 600;
    uint64_t power_on_hours = 1200;
    uint32_t power_cycles = 640;

    std::vector<DefectRange> defects;
    bool read_long = true;            ///< READ LONG and WRITE LONG are accepted
    uint32_t interface_crc_every = 0; ///< every n-th data command fails with ICRC; 0 = never
    uint32_t vanish_after = 0;        ///< the supply fails during the n-th command; 0 = never
    std::string image_path;           ///< sector image file; empty = sparse memory
    int image_line = 0;               ///< the lab file's line that named the image (for its errors)

    // Reached as an operating-system device too (sim_os_devices.h).
    int os_number = -1;                ///< physical drive number; -1 = not an OS device
    std::string os_via = "sata";       ///< personality: sata, usb, usb12, scsi, virtual, nvme
    bool os_removable = false;         ///< the system reports removable media
    uint32_t os_sectors_per_track = 0; ///< geometry; 0 = the personality's own
    std::string os_letter;             ///< "F:removable": also a logical drive letter
    SystemDiskUse os_in_use;           ///< what the virtual system keeps on it (root, mounted, swap)
    uint32_t os_hang_after = 0;        ///< the host side stops answering at the n-th request; 0 = never
    NvmeConfig nvme;                   ///< the controller in front of it when reached as NVMe
};

} // namespace mrv::sim
