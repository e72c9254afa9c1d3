#include "util/u128.h"

#include <algorithm>
#include <array>

namespace mrv
{

namespace
{
/// Four 32-bit limbs, least significant first.
using Limbs = std::array<uint32_t, 4>;

Limbs ToLimbs(const U128& v)
{
    return {static_cast<uint32_t>(v.low), static_cast<uint32_t>(v.low >> 32), static_cast<uint32_t>(v.high),
            static_cast<uint32_t>(v.high >> 32)};
}

U128 FromLimbs(const Limbs& l)
{
    return {l[0] | static_cast<uint64_t>(l[1]) << 32, l[2] | static_cast<uint64_t>(l[3]) << 32};
}

/// Divides in place; returns the remainder.
uint32_t DivideLimbs(Limbs& l, uint32_t divisor)
{
    uint64_t remainder = 0;
    for (size_t i = l.size(); i-- > 0;) {
        const uint64_t part = remainder << 32 | l[i];
        l[i] = static_cast<uint32_t>(part / divisor);
        remainder = part % divisor;
    }
    return static_cast<uint32_t>(remainder);
}
} // namespace

U128 U128::FromLittleEndian(const uint8_t* bytes)
{
    U128 v;
    for (int i = 7; i >= 0; --i) {
        v.low = v.low << 8 | bytes[i];
        v.high = v.high << 8 | bytes[8 + i];
    }
    return v;
}

U128 U128::Times(uint32_t factor) const
{
    Limbs l = ToLimbs(*this);
    uint64_t carry = 0;
    for (uint32_t& limb : l) {
        const uint64_t part = static_cast<uint64_t>(limb) * factor + carry;
        limb = static_cast<uint32_t>(part);
        carry = part >> 32;
    }
    if (carry != 0) return {~0ull, ~0ull};
    return FromLimbs(l);
}

U128 U128::DividedBy(uint32_t divisor) const
{
    Limbs l = ToLimbs(*this);
    DivideLimbs(l, divisor);
    return FromLimbs(l);
}

std::string U128::Decimal() const
{
    if (IsZero()) return "0";
    Limbs l = ToLimbs(*this);
    std::string digits;
    while (std::any_of(l.begin(), l.end(), [](uint32_t limb) { return limb != 0; }))
        digits += static_cast<char>('0' + DivideLimbs(l, 10));
    std::reverse(digits.begin(), digits.end());
    return digits;
}

} // namespace mrv
