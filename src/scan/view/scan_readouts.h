#pragma once
// The arithmetic behind the scan's readouts: speed, remaining time, position
// in megabytes and percent, the random walk's bar, the class-limit and axis
// labels, and which LBAs a grid cell stands for.

#include "scan/scan_presentation.h"

#include <cstdint>
#include <optional>
#include <string>

namespace mrv::scanview
{

/// Bytes per millisecond for `blocks` blocks of `block_size` sectors moved in `elapsed_us`.
uint64_t SpeedBytesPerMs(uint64_t blocks, uint32_t block_size, uint32_t sector_size, uint64_t elapsed_us);

/// Seconds left at `speed` bytes per millisecond (0 for random and at speed 0).
uint64_t RemainingSeconds(const ScanStart& start, const BlockResult& block, uint64_t speed);
/// "hh:mm:ss", two digits each (hours grow beyond two digits when needed).
std::string ClockText(uint64_t seconds);

/// Percent done with one decimal ("12.5"); nullopt for random.
std::optional<std::string> PercentText(const ScanStart& start, const BlockResult& block);
/// The position in megabytes.
uint64_t Megabytes(const ScanStart& start, const BlockResult& block);
/// The random walk's bar, 0..20.
int RandomBarPosition(const ScanStart& start, const BlockResult& block);

/// A class limit's label: milliseconds, or seconds with one decimal from 1000 ms on.
std::string LimitText(uint16_t limit, unsigned time_divisor);
/// The graph's axis label k (1..7) for scale m: one decimal below 10, else whole.
std::string AxisText(int k, int m);

/// The LBAs a grid cell stands for: first and last as the hint shows them
/// (a reverse scan counts down, so first > last there).
struct CellBlock {
    uint64_t first = 0;
    uint64_t last = 0;
};
/// The block of cell `index`; nullopt for a cell beyond the range.
std::optional<CellBlock> CellBlockOf(const ScanStart& start, uint64_t index);

} // namespace mrv::scanview
