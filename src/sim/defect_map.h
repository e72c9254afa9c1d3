#pragma once
// Where the surface of an emulated drive is bad, and what writes have done to it
// since: reallocated pending sectors, and sectors whose stored check bytes no
// longer match their data (turned bad with WRITE LONG).

#include "sim/drive_config.h"

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace mrv::sim
{

struct SectorCondition {
    bool unreadable = false; ///< a read ends in UNC
    bool write_fail = false;
    bool stuck = false;
    bool pending = false;
    bool ecc_bad = false;
    bool distort = false; ///< written data is stored changed
    uint32_t delay_ms = 0;
    bool Good() const { return !unreadable && !write_fail && !stuck && !distort && delay_ms == 0; }
};

class DefectMap
{
  public:
    explicit DefectMap(std::vector<DefectRange> ranges);

    SectorCondition Condition(uint64_t lba) const;
    /// First sector in [first, first+count) that a read cannot pass (unreadable,
    /// stuck) or that needs extra time; nullopt when all are plain.
    std::optional<uint64_t> FirstNotPlain(uint64_t first, uint64_t count) const;
    /// Records a completed write; returns true when it reallocated a pending sector.
    bool Written(uint64_t lba);
    void SetEccBad(uint64_t lba, bool bad);
    /// Every sector was written (security erase).
    void WrittenAll();

    uint32_t PendingCount() const;
    uint32_t UnreadableCount() const;
    uint32_t ReallocatedCount() const { return static_cast<uint32_t>(reallocated_.size()); }
    bool Empty() const { return ranges_.empty() && ecc_bad_.empty(); }

  private:
    std::vector<DefectRange> ranges_;
    std::set<uint64_t> reallocated_;
    std::set<uint64_t> ecc_bad_;
};

} // namespace mrv::sim
