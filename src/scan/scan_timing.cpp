#include "scan/scan_timing.h"

#include <algorithm>
#include <cstdio>

namespace mrv
{

ClassLimits ComputeClassLimits(bool api_mode, ScanTimer timer, int udma_mode, uint16_t timing_base,
                               unsigned scale)
{
    const bool slow_bus = udma_mode == 0;
    unsigned multipliers[5] = {1, 4, 10, 40, 120};
    ClassLimits limits;
    limits.divisor = 1;
    if (!api_mode && timer == ScanTimer::TickPolling) {
        const unsigned pio[5] = {10, 40, 100, slow_bus ? 200u : 400u, 1200};
        std::copy(std::begin(pio), std::end(pio), multipliers);
        limits.divisor = 10;
    } else if (!api_mode) {
        multipliers[3] = slow_bus ? 20 : 40;
    }
    for (int i = 0; i < 5; ++i) {
        const uint64_t value = uint64_t{multipliers[i]} * scale * timing_base;
        limits.limit[i] = static_cast<uint16_t>(std::min<uint64_t>(value, 65535));
    }
    return limits;
}

uint16_t ScanTimingBaseAtStart(const TimingBaseInputs& in)
{
    uint64_t base = in.identified_base;
    if (!in.verify || !in.depends_on_drive) base = 5;
    if (in.api_removable) base = in.lba_count < 4096 ? 18 : 12;
    base = std::min<uint64_t>(base * ((in.block_size >> 9) + 1), 65535);
    if (in.solid_state) base /= 3;
    return static_cast<uint16_t>(std::max<uint64_t>(base, 1));
}

int TimingClassOf(uint64_t block_time, const ClassLimits& limits)
{
    for (int i = 0; i < 5; ++i)
        if (block_time < limits.limit[i]) return i + 1;
    return 6;
}

char ErrorMarkOf(uint16_t status)
{
    switch (status) {
    case 0x01:
        return 'A';
    case 0x02:
        return '0';
    case 0x04:
        return '!';
    case 0x10:
        return 'S';
    case 0x40:
        return 'x';
    case 0x48:
        return '#';
    case kStatusBeyond28Bit:
        return '.';
    case 0x80:
        return '*';
    case kStatusDistortion:
        return 'D';
    default:
        return 'T';
    }
}

uint16_t StatusOfApiError(uint32_t error)
{
    switch (error) {
    case 5:
    case 55:
    case 1117:
        return 0x04;
    case 19:
        return 0x48;
    case 23:
        return 0x40;
    case 25:
    case 1785:
        return 0x02;
    case 27:
        return 0x10;
    case 1122:
        return 0x01;
    default:
        // Kept as it came; a zero would read as "good", which it was not.
        return error == 0 ? kStatusRefused : static_cast<uint16_t>(std::min<uint32_t>(error, 0xFFFF));
    }
}

std::string DurationText(unsigned milliseconds)
{
    if (milliseconds > 998) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1fs", milliseconds / 1000.0);
        return text;
    }
    return std::to_string(milliseconds);
}

} // namespace mrv
