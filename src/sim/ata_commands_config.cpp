// IDENTIFY, SET FEATURES, the max-address commands, power modes and the small
// housekeeping commands.

#include "sim/ata_drive.h"

#include <algorithm>

namespace mrv::sim
{

namespace
{
constexpr uint64_t kMs = 1000000;
constexpr uint64_t kMax28 = 0x0FFFFFFF;
} // namespace

void AtaDrive::CmdIdentify()
{
    uint16_t words[256];
    BuildIdentify(words);
    for (int i = 0; i < 256; ++i) {
        block_[2 * i] = static_cast<uint8_t>(words[i]);
        block_[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
    }
    // A hard disk keeps part of its identity in the reserved area of the
    // platter: from standby it spins up before it answers.
    Busy(SpinReady(NowNs()) + 200000, &AtaDrive::BlockReady);
}

void AtaDrive::BlockReady()
{
    StartPioIn(block_.data(), block_.size(), &AtaDrive::Complete);
}

void AtaDrive::CmdSetFeatures()
{
    const uint8_t count = regs_.count;
    const DriveConfig& c = config_;
    switch (regs_.features) {
    case 0x02:
        write_cache_ = true;
        break;
    case 0x82:
        write_cache_ = false;
        break;
    case 0xAA:
        look_ahead_ = true;
        break;
    case 0x55:
        look_ahead_ = false;
        mechanics_.DropCache();
        break;
    case 0x42:
        if (!c.aam_supported || count == 0 || count == 0xFF) return Abort();
        aam_enabled_ = true;
        aam_value_ = count;
        break;
    case 0xC2:
        if (!c.aam_supported) return Abort();
        aam_enabled_ = false;
        break;
    case 0x05:
        if (!c.apm_supported || count == 0 || count == 0xFF) return Abort();
        apm_enabled_ = true;
        apm_value_ = count;
        break;
    case 0x85:
        if (!c.apm_supported) return Abort();
        apm_enabled_ = false;
        break;
    case 0x66:
    case 0xCC:
        break; // reverting to defaults on reset: accepted, settings survive a soft reset anyway
    case 0x03: {
        const int mode = count & 0x07;
        switch (count & 0xF8) {
        case 0x00:
            if (mode > 1) return Abort();
            break;
        case 0x08:
            if (mode > 4) return Abort();
            break;
        case 0x20:
            if (mode > c.mwdma_max) return Abort();
            mwdma_selected_ = mode;
            udma_selected_ = -1;
            break;
        case 0x40:
            if (mode > c.udma_max) return Abort();
            udma_selected_ = mode;
            mwdma_selected_ = -1;
            break;
        default:
            return Abort();
        }
        break;
    }
    default:
        return Abort();
    }
    Busy(NowNs() + 100000, &AtaDrive::Complete);
}

void AtaDrive::CmdReadNativeMax()
{
    if (!config_.hpa_supported) return Abort();
    io_ = Io{};
    regs_.SetLba28(std::min(config_.native_sectors, kMax28) - 1);
    Busy(NowNs() + 100000, &AtaDrive::Complete);
}

void AtaDrive::CmdReadNativeMaxExt()
{
    if (!config_.lba48 || !config_.hpa_supported) return Abort();
    io_ = Io{};
    regs_.SetLba48(config_.native_sectors - 1);
    Busy(NowNs() + 100000, &AtaDrive::Complete);
}

void AtaDrive::CmdSetMax()
{
    // Features 01h-04h would be the SET MAX security extension, which this drive lacks.
    if (!config_.hpa_supported || regs_.features != 0 || prev_command_ != 0xF8 || !prev_command_ok_)
        return Abort();
    SetMax(regs_.Lba28(), false);
}

void AtaDrive::CmdSetMaxExt()
{
    if (!config_.hpa_supported || !config_.lba48 || prev_command_ != 0x27 || !prev_command_ok_)
        return Abort();
    SetMax(regs_.Lba48(), true);
}

void AtaDrive::SetMax(uint64_t lba, bool ext)
{
    io_ = Io{};
    io_.ext = ext;
    const bool permanent = (regs_.count & 0x01) != 0;
    if (lba >= config_.native_sectors || (permanent && set_max_permanent_done_)) {
        // Beyond the medium, or a second permanent change before a power cycle.
        ErrorAt(lba, ata_error::kIdnf);
        return;
    }
    current_max_ = lba + 1;
    if (permanent) {
        permanent_max_ = current_max_;
        set_max_permanent_done_ = true;
    }
    if (ext)
        regs_.SetLba48(lba);
    else
        regs_.SetLba28(lba);
    Busy(NowNs() + (permanent ? 20 * kMs : kMs), &AtaDrive::Complete);
}

void AtaDrive::CmdStandbyImmediate()
{
    if (standby_) {
        Complete();
        return;
    }
    Busy(NowNs() + (config_.ssd ? 0 : static_cast<uint64_t>(config_.spin_down_ms) * kMs),
         &AtaDrive::StandbyDone);
}

void AtaDrive::StandbyDone()
{
    standby_ = true;
    mechanics_.SpinDown();
    Complete();
}

void AtaDrive::CmdIdleImmediate()
{
    const uint64_t now = NowNs();
    Busy(SpinReady(now), &AtaDrive::Complete);
}

void AtaDrive::CmdCheckPowerMode()
{
    regs_.count = standby_ ? 0x00 : 0xFF;
    Complete();
}

void AtaDrive::CmdFlushCache()
{
    Busy(NowNs() + (write_cache_ ? 2 * kMs : 0), &AtaDrive::Complete);
}

void AtaDrive::CmdDiagnostic()
{
    Busy(NowNs() + 2 * kMs, &AtaDrive::ResetDone);
}

void AtaDrive::CmdInitParams()
{
    Complete();
}

void AtaDrive::CmdSetMultiple()
{
    const uint8_t n = regs_.count;
    if (n > 16 || (n & (n - 1)) != 0) return Abort();
    multiple_ = n;
    Complete();
}

void AtaDrive::CmdDco()
{
    if (!config_.dco_supported) return Abort();
    switch (regs_.features) {
    case 0xC0: // RESTORE: refused while a host protected area is set
        if (current_max_ != config_.native_sectors) return Abort();
        Complete();
        return;
    case 0xC1:
        Complete();
        return;  // FREEZE LOCK
    case 0xC2: { // IDENTIFY: what the drive could offer
        uint16_t w[256] = {};
        w[0] = 0x0002;
        w[1] = 0x0007;
        w[2] = 0x003F;
        const uint64_t last = config_.native_sectors - 1;
        w[3] = static_cast<uint16_t>(last);
        w[4] = static_cast<uint16_t>(last >> 16);
        w[5] = static_cast<uint16_t>(last >> 32);
        w[6] = 0x01FF;
        w[7] = 0x00FF;
        uint8_t sum = 0xA5;
        for (int i = 0; i < 255; ++i)
            sum = static_cast<uint8_t>(sum + (w[i] & 0xFF) + (w[i] >> 8));
        w[255] = static_cast<uint16_t>(0x00A5 | static_cast<uint8_t>(-sum) << 8);
        for (int i = 0; i < 256; ++i) {
            block_[2 * i] = static_cast<uint8_t>(w[i]);
            block_[2 * i + 1] = static_cast<uint8_t>(w[i] >> 8);
        }
        Busy(NowNs() + 200000, &AtaDrive::BlockReady);
        return;
    }
    default:
        Abort();
        return; // SET is not offered: the configuration is fixed by the lab
    }
}

} // namespace mrv::sim
