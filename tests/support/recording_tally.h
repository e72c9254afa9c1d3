#pragma once
// A scan presentation for tests: the counters of a window-less scan, and
// every block it was shown, in order.

#include "scan/scan_tally.h"

#include <functional>
#include <vector>

namespace mrv::test
{

class RecordingTally : public ScanTally
{
  public:
    using ScanTally::ScanTally;
    void ShowBlock(const BlockResult& block) override
    {
        ScanTally::ShowBlock(block);
        blocks.push_back(block);
    }
    void CountFailedBlock(const BlockResult& block) override
    {
        ScanTally::CountFailedBlock(block);
        if (on_failed) on_failed();
    }
    std::vector<BlockResult> blocks;
    /// Runs when a failed block is counted, inside the worker's hand-off.
    std::function<void()> on_failed;
};

} // namespace mrv::test
