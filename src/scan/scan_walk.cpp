#include "scan/scan_walk.h"

#include <algorithm>

namespace mrv
{

namespace
{

// LBAs stay far below 2^63, so signed differences are exact and a position
// moved below zero by a jump compares as negative rather than huge.
int64_t Signed(uint64_t value)
{
    return static_cast<int64_t>(value);
}

} // namespace

uint64_t RandomDraw::Below(uint64_t n)
{
    if (n == 0) return 0;
    return std::uniform_int_distribution<uint64_t>(0, n - 1)(generator_);
}

void BeginWalk(ScanState& s)
{
    const uint64_t start = s.StartLba;
    const uint64_t end = s.EndLba;
    const uint64_t length = end > start ? end - start : 1;
    s.RangeLength = length;
    uint32_t block = std::max<uint32_t>(s.BlockSize, 1);
    if (length < block) block = static_cast<uint32_t>(length);
    s.BlockSize = block;
    s.ButterflyLow = start;
    s.ButterflyHigh = end - block + 1;
    s.ButterflyMid = (start + (end - block + 1)) / 2;
    s.ButterflyTurn = false;
    s.LastBlockMark = 0;
    s.ResumeCount = 0;
    s.CurrentLba = s.Direction == ScanDirection::Reverse ? end - block + 1 : start;
}

bool PlaceNextBlock(ScanState& s, RandomDraw& draw)
{
    if (s.LastBlockMark == kStopBeforeNextBlock) return false;
    switch (s.Direction) {
    case ScanDirection::Random: {
        const uint64_t length = s.RangeLength;
        const uint64_t block = s.BlockSize;
        s.CurrentLba = s.StartLba + draw.Below(length > block ? length - block : 0);
        return true;
    }
    case ScanDirection::Butterfly: {
        // The walk takes blocks alternately from both ends of what is left,
        // [low, high + block − 1]; what is left when the ends meet is one
        // shorter block, so every sector is scanned exactly once.
        const uint64_t block = s.BlockSize;
        const int64_t left = Signed(s.ButterflyHigh + block) - Signed(s.ButterflyLow);
        if (left <= 0) return false;
        if (left <= Signed(block)) {
            s.CurrentLba = s.ButterflyLow;
            s.BlockSize = static_cast<uint32_t>(left);
            s.LastBlockMark = kFinalBlockScheduled;
            return true;
        }
        s.CurrentLba = s.ButterflyTurn ? s.ButterflyHigh : s.ButterflyLow;
        return true;
    }
    case ScanDirection::Forward:
    case ScanDirection::Reverse:
        return true;
    }
    return true;
}

bool AdvanceAfterBlock(ScanState& s, uint64_t now_ms)
{
    const uint64_t block = s.BlockSize;
    switch (s.Direction) {
    case ScanDirection::Butterfly:
        if (s.LastBlockMark == kFinalBlockScheduled) return false;
        if (s.ButterflyTurn)
            s.ButterflyHigh = s.ButterflyHigh - block;
        else
            s.ButterflyLow = s.ButterflyLow + block;
        s.ButterflyTurn = !s.ButterflyTurn;
        return true;
    case ScanDirection::Random:
        return now_ms < s.RandomEndMs;
    case ScanDirection::Forward: {
        const uint64_t current = s.CurrentLba;
        const uint64_t end = s.EndLba;
        if (current + 2 * block <= end) {
            s.CurrentLba = current + block;
            return true;
        }
        // The tail: one block up to the last sector, then that sector alone.
        const uint64_t next = current + block;
        s.CurrentLba = next;
        if (next > end) return false;
        s.BlockSize = end - next == 0 ? 1 : static_cast<uint32_t>(std::min<uint64_t>(end - next, 65535));
        return true;
    }
    case ScanDirection::Reverse: {
        if (s.LastBlockMark == kFinalBlockScheduled) return false;
        const uint64_t current = s.CurrentLba;
        const uint64_t start = s.StartLba;
        if (Signed(current) - Signed(block) >= Signed(start)) {
            s.CurrentLba = current - block;
            return true;
        }
        if (current > start) {
            s.BlockSize = static_cast<uint32_t>(current - start);
            s.CurrentLba = start;
            s.LastBlockMark = kFinalBlockScheduled;
            return true;
        }
        return false;
    }
    }
    return false;
}

void ResumeAfterSector(ScanState& s, uint64_t found, uint64_t block_lba, uint32_t block_size)
{
    if (s.Direction == ScanDirection::Forward) {
        // The engine's step of one block lands right after the found sector.
        s.CurrentLba = found + 1 - s.BlockSize;
        return;
    }
    const uint64_t block_end = block_lba + block_size;
    s.ResumeLba = found + 1;
    s.ResumeCount = found + 1 < block_end ? static_cast<uint32_t>(block_end - found - 1) : 0;
}

void JumpForward(ScanState& s, uint64_t size)
{
    if (s.Direction == ScanDirection::Butterfly) {
        s.ButterflyLow = s.ButterflyLow + size;
        s.ButterflyHigh = s.ButterflyHigh - size;
        return;
    }
    const uint64_t current = s.CurrentLba;
    if (current + size + s.BlockSize <= s.EndLba) s.CurrentLba = current + size;
}

void JumpBack(ScanState& s, uint64_t size)
{
    if (s.Direction == ScanDirection::Butterfly) {
        if (s.StartLba + size < s.ButterflyLow) {
            s.ButterflyLow = s.ButterflyLow - size;
            s.ButterflyHigh = s.ButterflyHigh + size;
        }
        return;
    }
    const int64_t moved = Signed(s.CurrentLba) - Signed(size);
    s.CurrentLba = moved < Signed(s.StartLba) ? uint64_t{s.StartLba} : static_cast<uint64_t>(moved);
}

} // namespace mrv
