#pragma once
// Capacities in decimal units, as the passport, the device list and the
// partition viewer show them.

#include <cstdint>
#include <string>

namespace mrv
{

/// "512 kb", "1 Mb", "500 Gb", "1.0 Tb", "2.25 Pb" for `count` sectors of
/// `sector_size` bytes (units of 1000).
std::string FormatCapacity(uint32_t sector_size, uint64_t count);

} // namespace mrv
