#pragma once
// The ATA security feature set of an emulated drive: passwords, lock, freeze,
// the unlock attempt counter and the erase preparation.

#include "sim/drive_config.h"

#include <array>
#include <cstdint>
#include <string>

namespace mrv::sim
{

enum class SecurityResult { Ok, Abort };

class SecurityModel
{
  public:
    using Password = std::array<uint8_t, 32>;
    explicit SecurityModel(const DriveConfig& config);

    bool Supported() const { return supported_; }
    bool Enabled() const { return enabled_; }
    bool Locked() const { return locked_; }
    bool Frozen() const { return frozen_; }
    bool Expired() const { return attempts_left_ == 0; }
    bool LevelMax() const { return level_max_; }
    /// IDENTIFY word 128.
    uint16_t Word128() const;

    /// Power-on (or hardware reset): frozen clears, an enabled drive locks, the counter refills.
    void PowerOn();

    /// The command may start (before its data phase).
    bool MayStart(uint8_t command) const;
    /// Data phase of SET PASSWORD, UNLOCK, ERASE UNIT, DISABLE PASSWORD with the 512-byte block.
    SecurityResult SetPassword(const uint8_t* block);
    SecurityResult Unlock(const uint8_t* block);
    SecurityResult DisablePassword(const uint8_t* block);
    /// Checks the erase password; on success the caller erases and calls Erased().
    SecurityResult CheckErase(const uint8_t* block);
    void Erased();
    void Freeze() { frozen_ = true; }
    void ErasePrepared(bool on) { erase_prepared_ = on; }
    bool ErasePrepared() const { return erase_prepared_; }

    static Password FromText(const std::string& text);
    static Password FromBlock(const uint8_t* block);

  private:
    bool Matches(const uint8_t* block, bool allow_master_at_max);
    void Failed();

    bool supported_;
    bool enabled_ = false;
    bool locked_ = false;
    bool frozen_ = false;
    bool level_max_ = false;
    bool erase_prepared_ = false;
    int attempts_left_ = 5;
    Password user_{};
    Password master_{};
};

} // namespace mrv::sim
