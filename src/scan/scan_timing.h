#pragma once
// How the surface scan times and judges a block: the timing base at start,
// the five class limits and the unit divisor of each timer mode, the class of
// a block time, and the error codes with their grid marks.

#include <cstdint>
#include <string>

namespace mrv
{

/// The PIO scan's timer ("Scan: PIO only").
enum class ScanTimer : uint8_t { TickPolling = 0, MmTimer = 1 };

struct ClassLimits {
    uint16_t limit[5] = {5, 20, 50, 200, 600};
    /// Timing units per millisecond for display: 10 with tick polling, else 1.
    unsigned divisor = 1;
};

/// Limits for the timing base, the direction's scale (1, or 2 for random and
/// butterfly) and the drive's highest UDMA mode (−1 when none).
ClassLimits ComputeClassLimits(bool api_mode, ScanTimer timer, int udma_mode, uint16_t timing_base,
                               unsigned scale);

/// What the timing base at a scan's start depends on.
struct TimingBaseInputs {
    /// The base decoded with the passport (UDMA mode, large PIO drives).
    uint16_t identified_base = 5;
    bool verify = true;
    /// "Timings depending on HDD".
    bool depends_on_drive = true;
    bool api_removable = false;
    int64_t lba_count = 0;
    uint32_t block_size = 256;
    bool solid_state = false;
};
uint16_t ScanTimingBaseAtStart(const TimingBaseInputs& in);

/// The timing class 1..6 of a good block; a time equal to a limit belongs to
/// the next class.
int TimingClassOf(uint64_t block_time, const ClassLimits& limits);

/// The grid mark of a failed block's status.
char ErrorMarkOf(uint16_t status);
/// `BlockStatus` of a failed API transfer from the system's error number.
uint16_t StatusOfApiError(uint32_t error);

/// A limit label: values above 998 as seconds with one decimal and "s"
/// ("1.2s"), smaller ones as integers.
std::string DurationText(unsigned milliseconds);

/// Error codes the engine itself gives.
inline constexpr uint16_t kStatusBeyond28Bit = 0x49;
inline constexpr uint16_t kStatusDistortion = 0x81;
inline constexpr uint16_t kStatusRefused = 0xFF;

} // namespace mrv
