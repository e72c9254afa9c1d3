#include "scan/view/scan_readouts.h"

#include <algorithm>
#include <cstdio>

namespace mrv::scanview
{

uint64_t SpeedBytesPerMs(uint64_t blocks, uint32_t block_size, uint32_t sector_size, uint64_t elapsed_us)
{
    const unsigned __int128 bytes = static_cast<unsigned __int128>(blocks) * block_size * sector_size;
    return static_cast<uint64_t>(bytes * 1000 / std::max<uint64_t>(1, elapsed_us));
}

uint64_t RemainingSeconds(const ScanStart& start, const BlockResult& block, uint64_t speed)
{
    // Sectors left over twice the speed is seconds for 512-byte sectors;
    // larger sectors take proportionally longer.
    const uint64_t sector_factor = std::max<uint64_t>(1, start.sector_size / 512);
    uint64_t sectors = 0;
    uint64_t divisor = 2 * speed + 1;
    switch (block.direction) {
    case ScanDirection::Forward:
        sectors = start.end_lba > block.lba ? start.end_lba - block.lba : 0;
        break;
    case ScanDirection::Reverse:
        sectors = block.lba > start.start_lba ? block.lba - start.start_lba : 0;
        break;
    case ScanDirection::Random:
        return 0;
    case ScanDirection::Butterfly:
        // Both ends move, so each position left stands for two sectors.
        sectors = block.butterfly_mid > block.butterfly_low ? block.butterfly_mid - block.butterfly_low : 0;
        divisor = speed + 1;
        break;
    }
    return static_cast<uint64_t>(static_cast<unsigned __int128>(sectors) * sector_factor / divisor);
}

std::string ClockText(uint64_t seconds)
{
    char text[48];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu", static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60));
    return text;
}

namespace
{

/// `done` of `whole` in tenths of a percent, rounded, at most 1000.
uint64_t Tenths(uint64_t done, uint64_t whole)
{
    whole = std::max<uint64_t>(1, whole);
    const unsigned __int128 tenths =
        (static_cast<unsigned __int128>(done) * 2000 + whole) / (2 * static_cast<unsigned __int128>(whole));
    return static_cast<uint64_t>(std::min<unsigned __int128>(tenths, 1000));
}

} // namespace

std::optional<std::string> PercentText(const ScanStart& start, const BlockResult& block)
{
    // Integer arithmetic: this runs for every block, and formatting a double costs more than the rest.
    uint64_t tenths = 0;
    switch (block.direction) {
    case ScanDirection::Random:
        return std::nullopt;
    case ScanDirection::Forward:
    case ScanDirection::Reverse:
        tenths = Tenths(block.lba > start.start_lba ? block.lba - start.start_lba : 0, start.range_length);
        if (block.direction == ScanDirection::Reverse) tenths = 1000 - tenths;
        break;
    case ScanDirection::Butterfly:
        // Measured from the start of the range, so that a range that does not
        // begin at LBA 0 still starts at 0 %.
        tenths = Tenths(block.butterfly_low > start.start_lba ? block.butterfly_low - start.start_lba : 0,
                        block.butterfly_mid > start.start_lba ? block.butterfly_mid - start.start_lba : 1);
        break;
    }
    std::string text = std::to_string(tenths / 10);
    text += '.';
    text += static_cast<char>('0' + tenths % 10);
    return text;
}

uint64_t Megabytes(const ScanStart& start, const BlockResult& block)
{
    const uint64_t per_mb = std::max<uint64_t>(1, start.sectors_per_mb);
    if (block.direction == ScanDirection::Butterfly)
        return block.butterfly_low / std::max<uint64_t>(1, per_mb / 2);
    return block.lba / per_mb;
}

int RandomBarPosition(const ScanStart& start, const BlockResult& block)
{
    const auto position =
        static_cast<unsigned __int128>(block.lba) * 20 / (static_cast<unsigned __int128>(start.end_lba) + 1);
    return static_cast<int>(std::min<unsigned __int128>(position, 20));
}

std::string LimitText(uint16_t limit, unsigned time_divisor)
{
    const unsigned ms = limit / std::max(1u, time_divisor);
    if (ms < 1000) return std::to_string(ms);
    char text[16];
    std::snprintf(text, sizeof text, "%.1fs", ms / 1000.0);
    return text;
}

std::string AxisText(int k, int m)
{
    m = std::max(1, m);
    const double value = k * 140.0 / m;
    if (value < 10) {
        char text[16];
        std::snprintf(text, sizeof text, "%.1f", value);
        return text;
    }
    return std::to_string(k * 140 / m);
}

std::optional<CellBlock> CellBlockOf(const ScanStart& start, uint64_t index)
{
    const uint64_t size = std::max<uint32_t>(1, start.block_size);
    const unsigned __int128 offset = static_cast<unsigned __int128>(index) * size;
    if (start.end_lba < start.start_lba) return std::nullopt;
    const uint64_t span = start.end_lba - start.start_lba; // sectors after the first
    if (offset > span) return std::nullopt;
    const auto off = static_cast<uint64_t>(offset);
    if (start.direction == ScanDirection::Reverse) {
        // The walk starts at the top of the range and counts down.
        const uint64_t first = start.end_lba - off;
        const uint64_t last = first - start.start_lba >= size - 1 ? first - (size - 1) : start.start_lba;
        return CellBlock{first, last};
    }
    const uint64_t first = start.start_lba + off;
    const uint64_t last = start.end_lba - first >= size - 1 ? first + (size - 1) : start.end_lba;
    return CellBlock{first, last};
}

} // namespace mrv::scanview
