#pragma once
// The " cache " group: write cache and read look-ahead on and off with SET
// FEATURES, in PIO mode through the task file and in API mode through the IDE
// register pass-through, then ATA pass-through. The RPM measurement switches
// look-ahead through the same sender.

#include <cstdint>

namespace mrv
{

class ProgramImpl;

/// SET FEATURES sub-commands (the features register).
namespace set_features
{
inline constexpr uint8_t kWriteCacheOn = 0x02;
inline constexpr uint8_t kWriteCacheOff = 0x82;
inline constexpr uint8_t kLookAheadOn = 0xAA;
inline constexpr uint8_t kLookAheadOff = 0x55;
} // namespace set_features

class CacheSwitches
{
  public:
    explicit CacheSwitches(ProgramImpl& program);

    void RzBitBtn41Click();
    void RzBitBtn40Click();
    void RdCacheBtnClick();
    void CacheOFFbtnClick();

    /// Which way a sub-command reached the drive and was accepted.
    enum class Answered { None, TaskFile, IdePassThrough, AtaPassThrough };
    /// SET FEATURES `sub` to the selected drive in the current access mode.
    Answered SendSetFeatures(uint8_t sub);

  private:
    void Switch(uint8_t sub, const char* start_text);

    ProgramImpl& p_;
};

} // namespace mrv
