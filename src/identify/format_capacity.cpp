#include "identify/format_capacity.h"

#include <cstdio>

namespace mrv
{

namespace
{
constexpr double kDivisor = 1000.0;
}

std::string FormatCapacity(uint32_t sector_size, uint64_t count)
{
    // In floating point: count × size can pass 2^64 on absurd geometry.
    double v = static_cast<double>(count) * static_cast<double>(sector_size) / kDivisor;
    const char* pattern = "%.0f";
    if (v < kDivisor) pattern = "%.0f kb";
    static const char* const kLarger[] = {"%.0f Mb", "%.0f Gb", "%.1f Tb", "%.2f Pb"};
    for (const char* next : kLarger) {
        if (!(v > kDivisor)) break;
        v /= kDivisor;
        pattern = next;
    }
    char text[64];
    std::snprintf(text, sizeof text, pattern, v);
    return text;
}

} // namespace mrv
