#include "sim/security_model.h"

#include <algorithm>

namespace mrv::sim
{

namespace
{
constexpr uint8_t kSetPassword = 0xF1, kUnlock = 0xF2, kErasePrepare = 0xF3, kEraseUnit = 0xF4,
                  kFreezeLock = 0xF5, kDisablePassword = 0xF6;
}

SecurityModel::SecurityModel(const DriveConfig& c) : supported_(c.security_supported)
{
    // Drives leave the factory with a vendor master password; ours is all blanks.
    master_ = FromText(c.master_password.empty() ? std::string(32, ' ') : c.master_password);
    if (supported_ && !c.user_password.empty()) {
        user_ = FromText(c.user_password);
        enabled_ = true;
        level_max_ = c.security_level_max;
        locked_ = c.locked;
    }
    frozen_ = supported_ && c.frozen && !locked_;
}

SecurityModel::Password SecurityModel::FromText(const std::string& text)
{
    Password p{};
    std::copy_n(text.begin(), std::min<size_t>(text.size(), 32), p.begin());
    return p;
}

SecurityModel::Password SecurityModel::FromBlock(const uint8_t* block)
{
    Password p{};
    std::copy_n(block + 2, 32, p.begin());
    return p;
}

uint16_t SecurityModel::Word128() const
{
    if (!supported_) return 0;
    uint16_t w = 0x0001;
    if (enabled_) w |= 0x0002;
    if (locked_) w |= 0x0004;
    if (frozen_) w |= 0x0008;
    if (Expired()) w |= 0x0010;
    if (enabled_ && level_max_) w |= 0x0100;
    return w;
}

void SecurityModel::PowerOn()
{
    frozen_ = false;
    attempts_left_ = 5;
    erase_prepared_ = false;
    if (enabled_) locked_ = true;
}

bool SecurityModel::MayStart(uint8_t command) const
{
    if (!supported_) return false;
    switch (command) {
    case kSetPassword:
    case kDisablePassword:
        return !frozen_ && !locked_;
    case kUnlock:
        return !frozen_ && !Expired();
    case kErasePrepare:
        return !frozen_;
    case kEraseUnit:
        // An expired attempt counter stops the erase as well as the unlock.
        return !frozen_ && !Expired() && erase_prepared_;
    case kFreezeLock:
        return !locked_;
    default:
        return false;
    }
}

// Only UNLOCK counts attempts; five wrong ones expire it until power-on.
void SecurityModel::Failed()
{
    if (attempts_left_ > 0) --attempts_left_;
}

bool SecurityModel::Matches(const uint8_t* block, bool allow_master_at_max)
{
    const bool master = (block[0] & 0x01) != 0;
    const Password given = FromBlock(block);
    if (!master) return given == user_;
    if (level_max_ && enabled_ && !allow_master_at_max) return false;
    return given == master_;
}

SecurityResult SecurityModel::SetPassword(const uint8_t* block)
{
    const bool master = (block[0] & 0x01) != 0;
    if (master) {
        master_ = FromBlock(block);
        return SecurityResult::Ok;
    }
    user_ = FromBlock(block);
    level_max_ = (block[1] & 0x01) != 0;
    enabled_ = true;
    return SecurityResult::Ok;
}

SecurityResult SecurityModel::Unlock(const uint8_t* block)
{
    if (!Matches(block, false)) {
        Failed();
        return SecurityResult::Abort;
    }
    locked_ = false;
    return SecurityResult::Ok;
}

SecurityResult SecurityModel::DisablePassword(const uint8_t* block)
{
    if (!Matches(block, false)) return SecurityResult::Abort;
    enabled_ = false;
    locked_ = false;
    level_max_ = false;
    user_ = Password{};
    return SecurityResult::Ok;
}

SecurityResult SecurityModel::CheckErase(const uint8_t* block)
{
    erase_prepared_ = false;
    if (!Matches(block, true)) return SecurityResult::Abort;
    return SecurityResult::Ok;
}

void SecurityModel::Erased()
{
    enabled_ = false;
    locked_ = false;
    level_max_ = false;
    user_ = Password{};
    attempts_left_ = 5;
}

} // namespace mrv::sim
