#pragma once
// The scan parameters the presenter's tests start from.

#include "scan/scan_presentation.h"

namespace mrv::test
{

inline ScanStart ScanRange(uint64_t start, uint64_t end, uint32_t block,
                           ScanDirection direction = ScanDirection::Forward)
{
    ScanStart s;
    s.start_lba = start;
    s.end_lba = end;
    s.range_length = end > start ? end - start : 1;
    s.block_size = block;
    s.direction = direction;
    return s;
}

} // namespace mrv::test
