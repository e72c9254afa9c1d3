#pragma once
// SMART of an emulated drive: the attribute table (whose counters follow what
// happens to the drive), the thresholds, the off-line data collection and the
// self-tests with their status byte and log.

#include "sim/drive_config.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace mrv::sim
{

/// Counters of the drive's life that attributes report.
struct SmartLive {
    uint32_t reallocated = 0; ///< sectors reallocated since the lab started
    uint32_t pending = 0;
    uint32_t unreadable = 0;
    int temperature_c = 30;
    uint64_t power_on_hours = 0;
    uint32_t power_cycles = 0;
    uint32_t start_stops = 0;
    uint32_t crc_errors = 0;
};

/// Result of EXECUTE OFF-LINE IMMEDIATE.
struct OfflineStart {
    bool accepted = false;
    bool captive = false;
    uint64_t done_ns = 0; ///< when a captive routine ends
};

class SmartModel
{
  public:
    /// Finds the first sector a read test cannot pass in [first, first+count).
    using FindBad = std::function<std::optional<uint64_t>(uint64_t first, uint64_t count)>;

    SmartModel(const DriveConfig& config, uint64_t sectors);

    /// The drive's counters when the lab started: attributes the lab gives
    /// move from their given raw values by what changed since.
    void SetBaseline(const SmartLive& live) { baseline_ = live; }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on) { enabled_ = on; }
    bool Autosave() const { return autosave_; }
    void SetAutosave(bool on) { autosave_ = on; }

    void BuildData(uint8_t* out, const SmartLive& live, uint64_t now_ns);
    void BuildThresholds(uint8_t* out) const;
    void BuildSelfTestLog(uint8_t* out, uint64_t now_ns);
    void BuildErrorLogSummary(uint8_t* out) const;
    void BuildLogDirectory(uint8_t* out) const;
    /// True when some attribute is at or below its non-zero threshold.
    bool ThresholdExceeded(const SmartLive& live) const;

    OfflineStart Start(uint8_t subcommand, uint64_t now_ns, const SmartLive& live, const FindBad& find_bad);
    /// A captive routine finished (called by the drive when its busy time ends); true when it passed.
    bool FinishCaptive(uint64_t now_ns);
    /// A reset or power loss interrupts what runs (`captive_only` for a software reset).
    void Interrupt(uint64_t now_ns, bool captive_only);

    uint8_t SelfTestByte(uint64_t now_ns);
    uint8_t OfflineByte(uint64_t now_ns);
    const std::vector<SmartAttributeConfig>& Attributes() const { return attributes_; }
    /// Attribute values as the drive would report them now.
    std::vector<SmartAttributeConfig> Current(const SmartLive& live) const;

    static void SetChecksum(uint8_t* block512);

  private:
    enum class Run { None, Offline, SelfTest };
    struct LogEntry {
        uint8_t subcommand;
        uint8_t status;
        uint16_t hours;
        uint32_t failing_lba;
    };
    void Update(uint64_t now_ns);
    /// An attribute the lab gave, moved by the drive's life since the start.
    void FollowLife(SmartAttributeConfig& attribute, const SmartLive& live) const;
    void Finish(uint8_t status_nibble, uint64_t now_ns);

    const DriveConfig& config_;
    uint64_t sectors_;
    std::vector<SmartAttributeConfig> attributes_;
    bool enabled_;
    bool autosave_ = true;

    Run run_ = Run::None;
    bool captive_ = false;
    uint8_t subcommand_ = 0;
    uint64_t start_ns_ = 0, end_ns_ = 0;
    uint64_t run_hours_ = 0;
    std::optional<uint64_t> failing_lba_;
    uint8_t self_test_byte_ = 0x00;
    uint8_t offline_byte_ = 0x00;
    uint32_t offline_unc_ = 0, offline_unc_pending_ = 0;
    bool offline_unc_known_ = false;
    std::vector<LogEntry> log_;
    mutable int min_temp_ = 127, max_temp_ = -128;
    /// The lab gave the attribute table (real drives' data is shown as given).
    bool given_;
    SmartLive baseline_;
};

} // namespace mrv::sim
