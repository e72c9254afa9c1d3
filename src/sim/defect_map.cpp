#include "sim/defect_map.h"

#include <algorithm>

namespace mrv::sim
{

DefectMap::DefectMap(std::vector<DefectRange> ranges) : ranges_(std::move(ranges)) {}

SectorCondition DefectMap::Condition(uint64_t lba) const
{
    SectorCondition c;
    if (reallocated_.count(lba) != 0) return c; // a spare sector is a fresh one
    for (const DefectRange& r : ranges_) {
        if (lba < r.first || lba > r.last) continue;
        switch (r.kind) {
        case DefectKind::Unreadable:
            c.unreadable = true;
            break;
        case DefectKind::Slow:
            c.delay_ms = std::max(c.delay_ms, r.delay_ms);
            break;
        case DefectKind::Stuck:
            c.stuck = true;
            break;
        case DefectKind::WriteFail:
            c.write_fail = true;
            break;
        case DefectKind::Pending:
            c.pending = true;
            c.unreadable = true;
            break;
        case DefectKind::Distort:
            c.distort = true;
            break;
        }
    }
    if (ecc_bad_.count(lba) != 0) {
        c.ecc_bad = true;
        c.unreadable = true;
    }
    return c;
}

std::optional<uint64_t> DefectMap::FirstNotPlain(uint64_t first, uint64_t count) const
{
    if (count == 0) return std::nullopt;
    const uint64_t last = first + count - 1;
    std::optional<uint64_t> best;
    auto consider = [&](uint64_t lba) {
        if (!best || lba < *best) best = lba;
    };
    for (const DefectRange& r : ranges_) {
        // Only what a read meets: write faults and distortions read normally.
        if (r.kind == DefectKind::WriteFail || r.kind == DefectKind::Distort) continue;
        if (r.last < first || r.first > last) continue;
        // Skip sectors of the range that were reallocated.
        for (uint64_t lba = std::max(first, r.first); lba <= std::min(last, r.last); ++lba) {
            if (best && lba >= *best) break;
            if (reallocated_.count(lba) == 0) {
                consider(lba);
                break;
            }
        }
    }
    auto it = ecc_bad_.lower_bound(first);
    if (it != ecc_bad_.end() && *it <= last) consider(*it);
    return best;
}

bool DefectMap::Written(uint64_t lba)
{
    ecc_bad_.erase(lba);
    const SectorCondition c = Condition(lba);
    if (c.pending) {
        reallocated_.insert(lba);
        return true;
    }
    return false;
}

void DefectMap::WrittenAll()
{
    ecc_bad_.clear();
    for (const DefectRange& r : ranges_)
        if (r.kind == DefectKind::Pending)
            for (uint64_t lba = r.first; lba <= r.last; ++lba)
                reallocated_.insert(lba);
}

void DefectMap::SetEccBad(uint64_t lba, bool bad)
{
    if (bad)
        ecc_bad_.insert(lba);
    else
        ecc_bad_.erase(lba);
}

uint32_t DefectMap::PendingCount() const
{
    uint64_t n = 0;
    for (const DefectRange& r : ranges_)
        if (r.kind == DefectKind::Pending) n += r.last - r.first + 1;
    for (uint64_t lba : reallocated_) {
        (void)lba;
        if (n > 0) --n;
    }
    return static_cast<uint32_t>(std::min<uint64_t>(n, 0xFFFFFFFF));
}

uint32_t DefectMap::UnreadableCount() const
{
    uint64_t n = ecc_bad_.size();
    for (const DefectRange& r : ranges_)
        if (r.kind == DefectKind::Unreadable) n += r.last - r.first + 1;
    return static_cast<uint32_t>(std::min<uint64_t>(n, 0xFFFFFFFF));
}

} // namespace mrv::sim
