// IDENTIFY DEVICE data built from the drive's description and its current state.

#include "sim/ata_drive.h"

#include <algorithm>
#include <cstring>

namespace mrv::sim
{

namespace
{

void PutString(uint16_t* words, int first, int count, const std::string& text)
{
    std::string s = text.substr(0, static_cast<size_t>(count) * 2);
    s.resize(static_cast<size_t>(count) * 2, ' ');
    for (int i = 0; i < count; ++i)
        words[first + i] =
            static_cast<uint16_t>(static_cast<uint8_t>(s[2 * i]) << 8 | static_cast<uint8_t>(s[2 * i + 1]));
}

void Put32(uint16_t* words, int first, uint64_t v)
{
    words[first] = static_cast<uint16_t>(v);
    words[first + 1] = static_cast<uint16_t>(v >> 16);
}

int Log2(uint32_t v)
{
    int n = 0;
    while (v > 1) {
        v >>= 1;
        ++n;
    }
    return n;
}

} // namespace

void AtaDrive::BuildIdentify(uint16_t* w)
{
    std::memset(w, 0, 512);
    const DriveConfig& c = config_;
    const uint64_t max28 = std::min<uint64_t>(current_max_, 0x0FFFFFFF);
    uint32_t heads = c.heads != 0 ? c.heads : 16;
    uint32_t spt = c.sectors_per_track != 0 ? c.sectors_per_track : 63;
    uint32_t cyls = c.cylinders != 0
                        ? c.cylinders
                        : static_cast<uint32_t>(std::min<uint64_t>(16383, max28 / (heads * spt)));
    if (cyls == 0) cyls = 1;

    w[0] = 0x0040; // fixed device
    w[1] = static_cast<uint16_t>(cyls);
    w[3] = static_cast<uint16_t>(heads);
    w[6] = static_cast<uint16_t>(spt);
    PutString(w, 10, 10, c.serial);
    w[21] = static_cast<uint16_t>(std::min<uint32_t>(c.cache_kb * 2, 0xFFFF));
    w[22] = 8; // check bytes of READ LONG / WRITE LONG
    PutString(w, 23, 4, c.firmware);
    PutString(w, 27, 20, c.model);
    w[47] = 0x8010;
    w[49] = 0x0F00; // IORDY, LBA, DMA
    w[50] = 0x4000;
    w[51] = 0x0200;
    w[53] = 0x0007;
    w[54] = w[1];
    w[55] = w[3];
    w[56] = w[6];
    Put32(w, 57, static_cast<uint64_t>(cyls) * heads * spt);
    w[59] = static_cast<uint16_t>(0x0100 | multiple_);
    Put32(w, 60, max28);
    if (c.mwdma_max >= 0) {
        w[63] = static_cast<uint16_t>((1u << (c.mwdma_max + 1)) - 1);
        if (mwdma_selected_ >= 0) w[63] |= static_cast<uint16_t>(0x0100 << mwdma_selected_);
    }
    w[64] = 0x0003;
    w[65] = w[66] = w[67] = w[68] = 120;
    if (c.ssd && c.trim) w[69] = 0x4000; // deterministic read after TRIM
    if (c.sata) {
        if (c.ncq) w[75] = 31;
        uint16_t cap = 0;
        if (c.sata_gen >= 1) cap |= 0x0002;
        if (c.sata_gen >= 2) cap |= 0x0004;
        if (c.sata_gen >= 3) cap |= 0x0008;
        if (c.ncq) cap |= 0x0100;
        w[76] = cap;
        w[78] = 0x0048; // in-order delivery, software settings preservation
        w[79] = 0x0040;
    }
    w[80] = 0x01F0; // ATA/ATAPI-4 .. ATA8-ACS
    w[81] = 0x0028;
    uint16_t w82 = 0x7000 | 0x0020 | 0x0040; // NOP, buffers, write cache, look-ahead
    if (c.smart_supported) w82 |= 0x0001;
    if (security_.Supported()) w82 |= 0x0002;
    if (c.hpa_supported) w82 |= 0x0400;
    uint16_t w83 = 0x4000 | 0x1000; // FLUSH CACHE
    if (c.lba48) w83 |= 0x0400 | 0x2000;
    if (c.aam_supported) w83 |= 0x0200;
    if (c.apm_supported) w83 |= 0x0008;
    if (c.dco_supported) w83 |= 0x0800;
    uint16_t w84 = 0x4000;
    if (c.smart_supported) w84 |= 0x0003; // error logging, self-test
    w[82] = w82;
    w[83] = w83;
    w[84] = w84;
    uint16_t w85 = w82 & ~(0x0001 | 0x0002 | 0x0020 | 0x0040);
    if (c.smart_supported && smart_.Enabled()) w85 |= 0x0001;
    if (security_.Enabled()) w85 |= 0x0002;
    if (write_cache_) w85 |= 0x0020;
    if (look_ahead_) w85 |= 0x0040;
    w[85] = w85;
    uint16_t w86 = w83 & ~(0x4000 | 0x0200 | 0x0008);
    if (c.aam_supported && aam_enabled_) w86 |= 0x0200;
    if (c.apm_supported && apm_enabled_) w86 |= 0x0008;
    w[86] = w86;
    w[87] = w84;
    if (c.udma_max >= 0) {
        w[88] = static_cast<uint16_t>((1u << (c.udma_max + 1)) - 1);
        if (udma_selected_ >= 0) w[88] |= static_cast<uint16_t>(0x0100 << udma_selected_);
    }
    if (security_.Supported())
        w[89] = static_cast<uint16_t>(std::min<uint32_t>((c.erase_minutes + 1) / 2, 0x7FFF));
    if (c.apm_supported) w[91] = static_cast<uint16_t>(0x4000 | (apm_enabled_ ? apm_value_ : 0));
    if (c.aam_supported) w[94] = static_cast<uint16_t>(0xFE00 | (aam_enabled_ ? aam_value_ : 0));
    if (c.lba48) {
        w[100] = static_cast<uint16_t>(current_max_);
        w[101] = static_cast<uint16_t>(current_max_ >> 16);
        w[102] = static_cast<uint16_t>(current_max_ >> 32);
        w[103] = static_cast<uint16_t>(current_max_ >> 48);
    }
    uint16_t w106 = 0x4000;
    if (c.physical_sector_size > c.logical_sector_size)
        w106 |= static_cast<uint16_t>(0x2000 | Log2(c.physical_sector_size / c.logical_sector_size));
    if (c.logical_sector_size > 512) {
        w106 |= 0x1000;
        Put32(w, 117, c.logical_sector_size / 2);
    }
    w[106] = w106;
    w[119] = 0x4010; // segmented microcode download
    w[120] = 0x4000;
    w[128] = security_.Word128();
    if (c.ssd && c.trim) w[169] = 0x0001;
    if (c.sct_supported) w[206] = 0x003D;
    w[217] = c.ssd ? 1 : c.rpm;
    // Integrity word: signature A5h and a checksum that makes the block sum to zero.
    uint8_t sum = 0xA5;
    for (int i = 0; i < 255; ++i)
        sum = static_cast<uint8_t>(sum + (w[i] & 0xFF) + (w[i] >> 8));
    w[255] = static_cast<uint16_t>(0x00A5 | static_cast<uint8_t>(-sum) << 8);
}

} // namespace mrv::sim
