#pragma once
// Whether the scan's worker is moving sector data through the PIO data port
// right now. The worker sets it around each data phase; the read/write lamps'
// timer on the user-interface thread reads it.

#include <atomic>
#include <cstdint>

namespace mrv
{

enum class DataPhase : uint8_t { None, Read, Write };

class DataPhaseFlag
{
  public:
    void Set(DataPhase phase) { phase_.store(phase, std::memory_order_relaxed); }
    DataPhase Get() const { return phase_.load(std::memory_order_relaxed); }

  private:
    std::atomic<DataPhase> phase_{DataPhase::None};
};

/// Marks a data phase for as long as it lives.
class DataPhaseScope
{
  public:
    DataPhaseScope(DataPhaseFlag& flag, DataPhase phase) : flag_(flag) { flag_.Set(phase); }
    ~DataPhaseScope() { flag_.Set(DataPhase::None); }
    DataPhaseScope(const DataPhaseScope&) = delete;
    DataPhaseScope& operator=(const DataPhaseScope&) = delete;

  private:
    DataPhaseFlag& flag_;
};

} // namespace mrv
