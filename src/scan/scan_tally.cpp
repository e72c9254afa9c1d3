#include "scan/scan_tally.h"

namespace mrv
{

void ScanTally::CountGoodBlock(int timing_class, const BlockResult& block, unsigned time_divisor,
                               bool defectoscope)
{
    if (timing_class < 1 || timing_class > 6) return;
    ++classes_[static_cast<size_t>(timing_class - 1)];
    if (timing_class < 3 || defectoscope || !log_classes[static_cast<size_t>(timing_class - 3)]) return;
    const unsigned divisor = time_divisor ? time_divisor : 1;
    log_("Block start at " + std::to_string(block.lba) + " = " + std::to_string(block.time / divisor) + " ms",
         4);
    ++warnings_;
}

void ScanTally::ResetCounters()
{
    classes_.fill(0);
    errors_ = 0;
    warnings_ = 0;
}

} // namespace mrv
