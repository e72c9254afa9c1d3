#pragma once
// Channel and device selection: the primary, secondary or custom task-file
// ports, master or slave, status polling at the alternate status port, the
// protection of the primary channel and the port indicator beside the mode
// switch.

#include <cstdint>
#include <optional>
#include <string>

namespace mrv
{

class ProgramImpl;

/// Port text as the edits and messages show it: uppercase hexadecimal, at least `digits` digits.
std::string HexPort(uint32_t value, int digits = 2);
/// Parses a typed port: every character 0–9, A–F, a–f is a digit, any other
/// counts as 0. nullopt when the value does not fit 16 bits.
std::optional<uint16_t> ParseHexPort(const std::string& text);

class Channel
{
  public:
    explicit Channel(ProgramImpl& program);

    enum Choice { kPrimary = 0, kSecondary = 1, kCustom = 2 };

    /// Applies the selector (on change and at start).
    void SelectChannel();
    /// Start-up with " Custom" stored: shows the stored ports and applies them.
    void ApplyCustomPorts();
    void SetBaseFromEdit();
    void SetAltFromEdit();
    void SetAltStatusPolling();
    void SetSlave();
    /// "Only non-destructive functions" changed.
    void NonDestructiveChanged();
    void RefreshPortIndicator();

  private:
    void SetPorts(uint16_t base, uint16_t alt);
    void ShowEdits(const std::string& base, const std::string& alt);
    void SetSelector(int index);
    void UpdateStatusPort();
    void FallBackToSecondary();
    bool Pio() const;

    ProgramImpl& p_;
    /// Set while the code itself changes the selector or the edits, so that
    /// their change handlers do not act a second time.
    bool updating_ = false;
};

} // namespace mrv
