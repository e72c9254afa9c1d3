#pragma once
// Where the surface scan's next block lies: the forward, reverse, random and
// butterfly walks over a range, with their tail rules, and the jumps the user
// makes while a scan runs. Pure functions of the scan state.

#include "scan/scan_state.h"

#include <cstdint>
#include <random>

namespace mrv
{

/// The random walk's generator: seeded once per scan, drawing uniformly over
/// the whole 64-bit range.
class RandomDraw
{
  public:
    explicit RandomDraw(uint64_t seed) : generator_(seed) {}
    /// A value in [0, n); 0 when n is 0.
    uint64_t Below(uint64_t n);

  private:
    std::mt19937_64 generator_;
};

/// Prepares a walk over [`StartLba`, `EndLba`] with the chosen `BlockSize`:
/// the range length, the block shrunk to a shorter range, the butterfly's
/// positions and the first block's position.
void BeginWalk(ScanState& s);

/// Places the next block (`CurrentLba`, and `BlockSize` for a final shorter
/// block). False when the walk has nothing left to scan.
bool PlaceNextBlock(ScanState& s, RandomDraw& draw);

/// Steps past the block just scanned. False when the walk has ended;
/// `now_ms` ends a random walk at `RandomEndMs`.
bool AdvanceAfterBlock(ScanState& s, uint64_t now_ms);

/// A defect action stopped at sector `found` of the block [`block_lba`,
/// `block_lba` + `block_size`): the scan goes on right after it. A forward
/// walk moves its position so that its next step starts there; the other
/// walks keep their positions and scan the rest of the block first.
void ResumeAfterSector(ScanState& s, uint64_t found, uint64_t block_lba, uint32_t block_size);

/// The user's jumps: forward (right, up) and back (left, down) by `size` sectors.
void JumpForward(ScanState& s, uint64_t size);
void JumpBack(ScanState& s, uint64_t size);

} // namespace mrv
