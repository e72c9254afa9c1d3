#pragma once
// The mechanical controls of the selected drive: stop the spindle, recalibrate
// the heads, reset the drive (bottom command strip) and measure the spindle
// speed (" Determine RPM " on the "Advanced" tab). The surface scan calls
// StopSpindle for its end action and Recalibrate before it starts.

#include <cstdint>
#include <optional>

namespace mrv
{

class ProgramImpl;

/// The RPM a measuring window gives: 16 x the read count (the count starts at
/// 1), or nothing when that is above 20 000 (a drive that answered from a cache).
std::optional<uint32_t> RpmOfCount(uint64_t count);

class SpindleControl
{
  public:
    explicit SpindleControl(ProgramImpl& program);

    /// STANDBY IMMEDIATE, or START STOP UNIT for a SCSI drive.
    void StopSpindle();
    /// 255 when the device cannot be opened, 1 when the stop request went
    /// through, 0 otherwise.
    int ScsiStopUnit();
    void Recalibrate();
    /// Soft reset through the device control register; nothing in API mode.
    void ResetDrive();
    /// Counts single-sector reads of consecutive sectors with look-ahead off
    /// for 3.739 s: each costs one revolution.
    void MeasureRpm();

    /// Measuring window in 100 µs units.
    static constexpr uint64_t kWindowUnits = 37390;
    static constexpr int kMeterSteps = 50;

  private:
    /// Look-ahead off or on for the measurement, with its log lines.
    bool SwitchLookAhead(bool on);
    /// The reading loop; the count when the window ran out, nothing after a
    /// break or a read error.
    std::optional<uint64_t> CountRevolutions();
    void ShowRpm(uint32_t rpm);

    ProgramImpl& p_;
};

} // namespace mrv
