// The security feature set (F1h-F6h). The state lives in SecurityModel; these
// handlers run the data phases and the erase.

#include "sim/ata_drive.h"

namespace mrv::sim
{

namespace
{
constexpr uint64_t kMinute = 60ull * 1000000000ull;
constexpr uint64_t kCommandNs = 2000000;
} // namespace

void AtaDrive::CmdSecuritySetPassword()
{
    if (!security_.MayStart(0xF1)) return Abort();
    StartPioOut(512, &AtaDrive::SecuritySetPasswordReceived);
}

void AtaDrive::SecuritySetPasswordReceived()
{
    security_.SetPassword(xfer_.data());
    Busy(NowNs() + kCommandNs, &AtaDrive::Complete);
}

void AtaDrive::CmdSecurityUnlock()
{
    if (!security_.MayStart(0xF2)) return Abort();
    StartPioOut(512, &AtaDrive::SecurityUnlockReceived);
}

void AtaDrive::SecurityUnlockReceived()
{
    if (security_.Unlock(xfer_.data()) != SecurityResult::Ok) return Abort();
    Busy(NowNs() + kCommandNs, &AtaDrive::Complete);
}

void AtaDrive::CmdSecurityErasePrepare()
{
    if (!security_.MayStart(0xF3)) return Abort();
    security_.ErasePrepared(true);
    Complete();
}

void AtaDrive::CmdSecurityEraseUnit()
{
    if (!security_.MayStart(0xF4)) {
        security_.ErasePrepared(false);
        return Abort();
    }
    StartPioOut(512, &AtaDrive::SecurityEraseReceived);
}

void AtaDrive::SecurityEraseReceived()
{
    // Enhanced erase (control word bit 1) is not offered by this drive (word 128 bit 5 clear).
    if ((xfer_[0] & 0x02) != 0) {
        security_.ErasePrepared(false);
        return Abort();
    }
    if (security_.CheckErase(xfer_.data()) != SecurityResult::Ok) return Abort();
    erasing_ = true;
    const uint64_t now = SpinReady(NowNs());
    Busy(now + static_cast<uint64_t>(config_.erase_minutes) * kMinute, &AtaDrive::SecurityEraseDone);
}

void AtaDrive::SecurityEraseDone()
{
    erasing_ = false;
    media_.EraseAll();
    // Every sector was rewritten: pending ones went to spares, long-mode damage is gone.
    defects_.WrittenAll();
    long_ecc_.clear();
    security_.Erased();
    Complete();
}

void AtaDrive::CmdSecurityFreezeLock()
{
    if (!security_.MayStart(0xF5)) return Abort();
    security_.Freeze();
    Complete();
}

void AtaDrive::CmdSecurityDisablePassword()
{
    if (!security_.MayStart(0xF6)) return Abort();
    StartPioOut(512, &AtaDrive::SecurityDisableReceived);
}

void AtaDrive::SecurityDisableReceived()
{
    if (security_.DisablePassword(xfer_.data()) != SecurityResult::Ok) return Abort();
    Busy(NowNs() + kCommandNs, &AtaDrive::Complete);
}

} // namespace mrv::sim
