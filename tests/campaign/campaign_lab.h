#pragma once
// One cell of the fault campaign: a small lab disk with one fault, the
// program started on it, and what an operation did there: whether it ended,
// the longest stall of the user-interface thread, what it logged or showed,
// and whether any byte outside the user's range changed.

#include "support/lab_session.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mrv::test
{

/// The lab disk: small enough that a scan of the user's range takes little
/// virtual time, with every fault placed at one sector inside that range.
inline constexpr uint64_t kCampaignSectors = 8192;
inline constexpr uint64_t kRangeFirst = 2048;
inline constexpr uint64_t kRangeLast = 6143;
inline constexpr uint64_t kFaultLba = 3000;

/// How the program reaches the drive in a row of the campaign.
enum class Route { Pio, Api };

class CampaignLab;

/// A row of the campaign: a fault and the way to the drive that carries it.
struct FaultKind {
    std::string name;
    Route route = Route::Pio;
    std::string via = "sata";              ///< the physical drive's personality in API mode
    std::string drive_keys;                ///< lab keys of the faulty drive (present from power-on)
    std::function<void(CampaignLab&)> arm; ///< trips the fault just before the operation; may be empty
};

/// What one operation did on one faulty drive.
struct CellResult {
    bool offered = true; ///< false: the program does not offer it on this route
    bool ended = false;  ///< finished within its budget of virtual time
    bool outside_unchanged = true;
    uint64_t virtual_ms = 0; ///< how long it took on the lab's clock
    uint64_t longest_stall_ms = 0;
    std::string verdict; ///< "ok", "error logged", "refused", "not offered"
    std::string line;    ///< the line that says what happened
};

class CampaignLab : public LabSession
{
  public:
    /// Builds the lab of `fault` and starts the program on its drive, the
    /// passport read; false with `why` when the lab cannot be built.
    bool Start(const FaultKind& fault, std::string& why);

    sim::AtaDrive& drive() { return *lab->Drive("hdd"); }
    sim::LabPc& pc() { return *lab; }

    /// A click on the user-interface thread, measured for stalls.
    void Click(form::Button& button);
    /// Lets messages and timers run while `busy` holds, for at most `budget_ms`
    /// of virtual time; false when it still holds then.
    bool RunWhile(const std::function<bool()>& busy, uint64_t budget_ms);
    /// Lets messages and timers run for `ms`.
    void Run(uint32_t ms) { fixture->Run(ms); }

    /// Sectors of the whole disk filled with a pattern that names them.
    void FillDisk();
    /// A checksum of sectors [first, first + count) as the drive stores them.
    uint64_t Checksum(uint64_t first, uint64_t count);
};

/// An operation of the campaign: what the technician does, and the sectors
/// that it may change (none when `writes` is false).
struct Operation {
    std::string name;
    bool writes = false; ///< may change sectors of the user's range
    /// Runs it to its end; false when it did not end within its budget. Sets
    /// `offered` to false when the program does not offer it here.
    std::function<bool(CampaignLab&, bool& offered)> run;
};

/// Every operation, in the order of the table's columns.
const std::vector<Operation>& CampaignOperations();

/// Runs `op` on a fresh lab with `fault` and says what happened.
CellResult RunCell(const FaultKind& fault, const Operation& op);

} // namespace mrv::test
