#pragma once
// The seek test's and the acoustic readout's arithmetic: where an access
// goes, the limit's units, the average access time and the AAM readout.

#include <cstdint>
#include <string>

namespace mrv
{

class RandomDraw;

/// An LBA drawn uniformly from [start, end) (the start itself when end ≤ start).
uint64_t DrawSeekLba(uint64_t start, uint64_t end, RandomDraw& draw);

/// SEEK carries 28 bits: anything beyond goes to the last 28-bit LBA.
uint64_t SeekCommandLba(uint64_t lba);

/// The limit box's milliseconds (its digits, 1..50000; none → 250) in the wait's
/// units: 100 µs passes in PIO tick polling, else milliseconds.
uint32_t SeekLimitUnits(const std::string& text, bool tick_polling);

/// The limit in milliseconds for the log line.
uint32_t SeekLimitMs(const std::string& text);

/// The average of one 64-access window, one decimal: `sum` is in 100 µs units
/// in tick polling, else in milliseconds.
std::string SeekAverageText(uint64_t sum, bool tick_polling);

/// What the acoustic readout shows for a track bar position, given the
/// drive's current AAM value (the low byte of identify word 94).
std::string AamReadout(int position, uint8_t current_value);

} // namespace mrv
