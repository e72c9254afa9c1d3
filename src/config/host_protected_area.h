#pragma once
// The " Host protected area " group: READ NATIVE MAX ADDRESS (RHPA) and SET
// MAX ADDRESS (HPA), the track bar over the native size and the "MAX" button.
// PIO mode drives the task file; API mode sends the same pair through the IDE
// register pass-through (28-bit) or ATA pass-through (the 48-bit forms).

#include "platform/ata_command.h"

#include <cstdint>
#include <optional>
#include <string>

namespace mrv
{

class ProgramImpl;
class DriveRoute;

/// The largest size SET MAX ADDRESS can give (48-bit addresses).
inline constexpr uint64_t kMaxSetMaxSize = uint64_t{1} << 48;

class HostProtectedArea
{
  public:
    explicit HostProtectedArea(ProgramImpl& program);

    void NHPABtnClick();
    void HpaBtnClick();
    void HpaTrackChange();

    /// Shows `sectors` in L1: a count, or whole MiB with "LBA/Mb" on.
    void ShowSize(int64_t sectors);

  private:
    /// The size typed in L1, or nothing (logged) when it is no size to send.
    std::optional<uint64_t> SizeFromL1();
    /// READ NATIVE MAX ADDRESS through the task file; nothing on a time-out or error.
    std::optional<uint64_t> ReadNativeMaxPio();
    /// The same through the pass-through routes; `route` is the one that answered.
    std::optional<uint64_t> ReadNativeMaxApi(DriveRoute*& route);
    /// The API's form of the pair: 48-bit when the drive addresses 48 bits.
    bool ApiExtended() const;
    /// Sends SET MAX; the error code for the failure line, 0 for a time-out,
    /// nothing when the drive took the new size.
    std::optional<uint8_t> SetMaxPio(uint64_t size, bool permanent);
    std::optional<uint8_t> SetMaxApi(uint64_t size, bool permanent);
    void AfterNewSize(uint64_t size);

    ProgramImpl& p_;
};

} // namespace mrv
