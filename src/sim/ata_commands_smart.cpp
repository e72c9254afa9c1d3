// SMART (B0h): the sub-command in features, the signature 4Fh/C2h in LBA mid/high.

#include "sim/ata_drive.h"

namespace mrv::sim
{

namespace
{
constexpr uint64_t kFastNs = 2000000; // what a table read costs the firmware
}

void AtaDrive::CmdSmart()
{
    if (!config_.smart_supported || regs_.lba_mid != 0x4F || regs_.lba_high != 0xC2) return Abort();
    const uint8_t sub = regs_.features;
    if (sub == 0xD8) {
        smart_.SetEnabled(true);
        Complete();
        return;
    }
    if (!smart_.Enabled()) return Abort();
    const uint64_t now = NowNs();
    switch (sub) {
    case 0xD9:
        smart_.SetEnabled(false);
        Complete();
        return;
    case 0xD0:
        smart_.BuildData(block_.data(), Live(), now);
        Busy(now + kFastNs, &AtaDrive::BlockReady);
        return;
    case 0xD1:
        smart_.BuildThresholds(block_.data());
        Busy(now + kFastNs, &AtaDrive::BlockReady);
        return;
    case 0xD2:
        if (regs_.count != 0xF1 && regs_.count != 0x00) return Abort();
        smart_.SetAutosave(regs_.count == 0xF1);
        Complete();
        return;
    case 0xD4: {
        const OfflineStart r =
            smart_.Start(regs_.lba_low, now, Live(), [this](uint64_t first, uint64_t count) {
                const uint64_t end = std::min(first + count, current_max_);
                return first < end ? defects_.FirstNotPlain(first, end - first) : std::nullopt;
            });
        if (!r.accepted) return Abort();
        if (r.captive) {
            Busy(r.done_ns, &AtaDrive::SmartCaptiveDone);
            return;
        }
        Complete();
        return;
    }
    case 0xD5: {
        if (regs_.count != 1) return Abort();
        switch (regs_.lba_low) {
        case 0x00:
            smart_.BuildLogDirectory(block_.data());
            break;
        case 0x01:
            smart_.BuildErrorLogSummary(block_.data());
            break;
        case 0x06:
            smart_.BuildSelfTestLog(block_.data(), now);
            break;
        default:
            return Abort();
        }
        Busy(now + kFastNs, &AtaDrive::BlockReady);
        return;
    }
    case 0xDA:
        if (smart_.ThresholdExceeded(Live())) {
            regs_.lba_mid = 0xF4;
            regs_.lba_high = 0x2C;
        } else {
            regs_.lba_mid = 0x4F;
            regs_.lba_high = 0xC2;
        }
        Complete();
        return;
    case 0xDB: // automatic off-line: accepted, the drive collects on its own schedule
        if (regs_.count != 0xF8 && regs_.count != 0x00) return Abort();
        Complete();
        return;
    default:
        Abort();
        return;
    }
}

void AtaDrive::SmartCaptiveDone()
{
    if (smart_.FinishCaptive(NowNs())) {
        Complete();
        return;
    }
    // A captive self-test that failed answers like RETURN STATUS of a failing drive.
    regs_.lba_mid = 0xF4;
    regs_.lba_high = 0x2C;
    Abort();
}

} // namespace mrv::sim
