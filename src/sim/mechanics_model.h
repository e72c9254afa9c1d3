#pragma once
// Timing of an emulated drive's media accesses: seek by distance, rotational
// latency from the spindle speed, a transfer rate that falls from the outer to
// the inner zone, read look-ahead and write cache; or an SSD with no mechanics.
// All times are nanoseconds of the lab clock.

#include "sim/drive_config.h"

#include <cstdint>
#include <vector>

namespace mrv::sim
{

enum class AccessKind { Read, Verify, Write };

/// When each sector of an access is done: first + k * per_sector (but never
/// before `not_before_k` for sectors the look-ahead buffer already holds).
struct AccessTiming {
    uint64_t first_ready_ns = 0;
    uint64_t per_sector_ns = 0;
};

class MechanicsModel
{
  public:
    MechanicsModel(const DriveConfig& config, uint64_t sectors);

    /// Plans an access of `count` sectors at `lba` issued at `now`; moves the heads.
    AccessTiming Access(uint64_t now_ns, uint64_t lba, uint32_t count, AccessKind kind, bool look_ahead,
                        bool write_cache);
    /// The access has ended at `end_ns` with `next_lba` following it (feeds look-ahead).
    void Finished(uint64_t end_ns, uint64_t next_lba);
    /// Seek only; returns the time the heads settle.
    uint64_t Seek(uint64_t now_ns, uint64_t lba);
    /// Heads to cylinder 0.
    uint64_t Recalibrate(uint64_t now_ns);
    /// Spindle stopped (standby); the next access pays the spin-up.
    void SpinDown();
    void SpinUp(uint64_t now_ns);
    bool Spinning() const { return spinning_; }
    void DropCache() { ra_valid_ = false; }

    uint64_t RevolutionNs() const { return rev_ns_; }
    uint64_t SectorTimeNs(uint64_t lba) const;
    uint32_t Cylinder(uint64_t lba) const;
    uint32_t Cylinders() const { return cylinders_; }

  private:
    struct Zone {
        uint64_t first_lba;
        uint32_t spt;
        uint64_t first_track;
    };
    const Zone& ZoneOf(uint64_t lba) const;
    uint64_t SeekNs(uint32_t from, uint32_t to) const;

    bool ssd_;
    uint64_t rev_ns_ = 0;
    uint64_t t2t_ns_, full_ns_;
    uint64_t ssd_sector_ns_, ssd_latency_ns_;
    uint32_t heads_ = 4;
    uint32_t cylinders_ = 1;
    uint32_t cache_sectors_;
    std::vector<Zone> zones_;

    uint32_t head_cyl_ = 0;
    bool spinning_ = true;
    uint64_t spin_epoch_ns_ = 0;

    bool ra_valid_ = false;
    uint64_t ra_lba_ = 0;      ///< the sector after the last one read
    uint64_t ra_start_ns_ = 0; ///< when the look-ahead started filling
};

} // namespace mrv::sim
