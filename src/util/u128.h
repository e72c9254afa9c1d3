#pragma once
// Unsigned 128-bit counters as NVMe controllers report them (little-endian
// byte fields), with the few operations their display needs.

#include <cstdint>
#include <string>

namespace mrv
{

struct U128 {
    uint64_t low = 0;
    uint64_t high = 0;

    /// The 16 little-endian bytes at `bytes`.
    static U128 FromLittleEndian(const uint8_t* bytes);
    bool IsZero() const { return low == 0 && high == 0; }
    bool FitsIn64() const { return high == 0; }
    /// This times `factor`; saturates at the largest value rather than wrap.
    U128 Times(uint32_t factor) const;
    /// This divided by `divisor` (not 0), rounded down.
    U128 DividedBy(uint32_t divisor) const;
    /// The decimal digits.
    std::string Decimal() const;
    bool operator==(const U128&) const = default;
};

} // namespace mrv
