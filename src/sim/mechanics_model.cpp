#include "sim/mechanics_model.h"

#include <algorithm>
#include <cmath>

namespace mrv::sim
{

namespace
{
constexpr uint64_t kMs = 1000000;
constexpr uint64_t kCommandOverheadNs = 20000; // firmware's own time per command
constexpr uint64_t kInterfaceSectorNs = 3400;  // a sector from the buffer at ~150 MB/s
constexpr int kZones = 16;
} // namespace

MechanicsModel::MechanicsModel(const DriveConfig& c, uint64_t sectors)
    : ssd_(c.ssd), t2t_ns_(static_cast<uint64_t>(c.track_to_track_ms * kMs)),
      full_ns_(static_cast<uint64_t>(c.full_stroke_ms * kMs)),
      ssd_sector_ns_(static_cast<uint64_t>(c.logical_sector_size * 1000.0 / std::max(1.0, c.ssd_mbps))),
      ssd_latency_ns_(static_cast<uint64_t>(c.ssd_latency_us) * 1000),
      cache_sectors_(std::max<uint32_t>(16, c.cache_kb * 1024 / std::max<uint32_t>(1, c.logical_sector_size)))
{
    if (ssd_) return;
    const uint32_t rpm = std::max<uint32_t>(c.rpm, 1000);
    rev_ns_ = 60000000000ull / rpm;
    // Sectors per track from the zone's transfer rate: rate = spt * size * revs/s.
    std::vector<uint32_t> spt(kZones);
    uint64_t spt_sum = 0;
    for (int z = 0; z < kZones; ++z) {
        const double mbps = c.outer_mbps - (c.outer_mbps - c.inner_mbps) * z / (kZones - 1);
        spt[z] =
            std::max<uint32_t>(1, static_cast<uint32_t>(mbps * 1e6 / c.logical_sector_size / (rpm / 60.0)));
        spt_sum += spt[z];
    }
    // Equal numbers of tracks per zone, enough to hold every sector.
    const uint64_t tracks_per_zone = std::max<uint64_t>(1, (sectors + spt_sum - 1) / spt_sum);
    uint64_t lba = 0;
    for (int z = 0; z < kZones; ++z) {
        zones_.push_back({lba, spt[z], z * tracks_per_zone});
        lba += tracks_per_zone * spt[z];
    }
    cylinders_ =
        static_cast<uint32_t>(std::clamp<uint64_t>(tracks_per_zone * kZones / heads_, 1, UINT32_MAX));
}

const MechanicsModel::Zone& MechanicsModel::ZoneOf(uint64_t lba) const
{
    auto it = std::upper_bound(zones_.begin(), zones_.end(), lba,
                               [](uint64_t v, const Zone& z) { return v < z.first_lba; });
    return *(it == zones_.begin() ? it : it - 1);
}

uint64_t MechanicsModel::SectorTimeNs(uint64_t lba) const
{
    if (ssd_) return ssd_sector_ns_;
    return rev_ns_ / ZoneOf(lba).spt;
}

uint32_t MechanicsModel::Cylinder(uint64_t lba) const
{
    if (ssd_) return 0;
    const Zone& z = ZoneOf(lba);
    const uint64_t track = z.first_track + (lba - z.first_lba) / z.spt;
    return static_cast<uint32_t>(std::min<uint64_t>(track / heads_, cylinders_ - 1));
}

uint64_t MechanicsModel::SeekNs(uint32_t from, uint32_t to) const
{
    if (from == to) return 0;
    const double d = std::abs(static_cast<double>(to) - from) / std::max<uint32_t>(1, cylinders_);
    return t2t_ns_ + static_cast<uint64_t>((full_ns_ - std::min(full_ns_, t2t_ns_)) * std::sqrt(d));
}

uint64_t MechanicsModel::Seek(uint64_t now_ns, uint64_t lba)
{
    ra_valid_ = false;
    if (ssd_) return now_ns + ssd_latency_ns_;
    const uint32_t cyl = Cylinder(lba);
    const uint64_t t = now_ns + kCommandOverheadNs + SeekNs(head_cyl_, cyl);
    head_cyl_ = cyl;
    return t;
}

uint64_t MechanicsModel::Recalibrate(uint64_t now_ns)
{
    ra_valid_ = false;
    if (ssd_) return now_ns + ssd_latency_ns_;
    // The heads go to the stop and back out to cylinder 0.
    const uint64_t t = now_ns + kCommandOverheadNs + SeekNs(head_cyl_, 0) + t2t_ns_;
    head_cyl_ = 0;
    return t;
}

void MechanicsModel::SpinDown()
{
    spinning_ = false;
    ra_valid_ = false;
}

void MechanicsModel::SpinUp(uint64_t now_ns)
{
    spinning_ = true;
    spin_epoch_ns_ = now_ns;
}

AccessTiming MechanicsModel::Access(uint64_t now_ns, uint64_t lba, uint32_t count, AccessKind kind,
                                    bool look_ahead, bool write_cache)
{
    AccessTiming t;
    if (ssd_) {
        t.per_sector_ns = ssd_sector_ns_;
        t.first_ready_ns = now_ns + ssd_latency_ns_ + ssd_sector_ns_;
        return t;
    }
    const uint64_t sector_ns = SectorTimeNs(lba);
    if (kind == AccessKind::Write && write_cache) {
        // Accepted into the cache; the platter is written behind the host's back.
        ra_valid_ = false;
        t.per_sector_ns = kInterfaceSectorNs;
        t.first_ready_ns = now_ns + kCommandOverheadNs + kInterfaceSectorNs;
        return t;
    }
    if (kind != AccessKind::Write && look_ahead && ra_valid_ && lba >= ra_lba_) {
        // Sectors the drive kept reading after the last command are in its buffer.
        const uint64_t filled = std::min<uint64_t>(
            cache_sectors_, (now_ns > ra_start_ns_ ? now_ns - ra_start_ns_ : 0) / sector_ns);
        if (lba < ra_lba_ + filled + 1) {
            const uint64_t streamed = ra_start_ns_ + (lba - ra_lba_ + 1) * sector_ns;
            t.per_sector_ns = sector_ns;
            t.first_ready_ns = std::max(now_ns + kCommandOverheadNs, streamed);
            (void)count;
            return t;
        }
    }
    ra_valid_ = false;
    const Zone& z = ZoneOf(lba);
    const uint32_t cyl = Cylinder(lba);
    const uint64_t settled = now_ns + kCommandOverheadNs + SeekNs(head_cyl_, cyl);
    head_cyl_ = cyl;
    // Rotational latency: wait until the sector's start comes under the head.
    const uint64_t sector_in_track = (lba - z.first_lba) % z.spt;
    const uint64_t target = sector_in_track * rev_ns_ / z.spt;
    const uint64_t angle = (settled - spin_epoch_ns_) % rev_ns_;
    const uint64_t wait = (target + rev_ns_ - angle) % rev_ns_;
    t.per_sector_ns = sector_ns;
    t.first_ready_ns = settled + wait + sector_ns;
    return t;
}

void MechanicsModel::Finished(uint64_t end_ns, uint64_t next_lba)
{
    if (ssd_) return;
    ra_valid_ = true;
    ra_lba_ = next_lba;
    ra_start_ns_ = end_ns;
}

} // namespace mrv::sim
