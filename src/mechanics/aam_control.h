#pragma once
// Automatic acoustic management from the seek group: the track bar sets a fine
// level when the user lets it go, "MIN" the quietest level and "OFF" switches
// the feature off; each is one SET FEATURES command, through the task file in
// PIO mode and through the pass-through requests in API mode.

#include <cstdint>
#include <string>

namespace mrv
{

class ProgramImpl;

class AamControl
{
  public:
    explicit AamControl(ProgramImpl& program);

    /// The last track bar position.
    uint8_t AamLevel = 162;

    void AAMTrackChange();
    /// After the user released the track bar.
    void SetAamLevel();
    void SetAamMinimum();
    void SetAamOff();

    /// How long the drive may stay busy before a fine level is refused.
    static constexpr uint32_t kReadyLimitMs = 300;

  private:
    /// MIN and OFF: the track bar moved to `position`, then the command.
    void SendPreset(int position, uint8_t features, uint8_t count, const std::string& log_text);
    /// PIO: the drive answers and is ready for a command.
    bool DriveAccepts();
    /// SET FEATURES in the current mode; API mode tries the legacy request,
    /// then ATA PASS-THROUGH.
    bool SendSetFeatures(uint8_t features, uint8_t count);
    /// The passport taken again without a report, the release handler
    /// detached meanwhile so that moving the track bar sends nothing.
    void RefreshPassport();

    ProgramImpl& p_;
};

} // namespace mrv
