#pragma once
// Fires the Timer controls of a set of windows on a front end's clock.

#include "form/controls.h"

#include <cstdint>
#include <vector>

namespace mrv::form
{

class TimerPump
{
  public:
    void AddWindow(Window* window) { windows_.push_back(window); }
    /// Fires every active timer that is due at `now_ms` (each at most once);
    /// returns how many fired.
    int RunDue(uint64_t now_ms);
    /// Milliseconds until the next timer is due (UINT64_MAX when none is active).
    uint64_t NextDueIn(uint64_t now_ms);

  private:
    void Arm(Timer* timer, uint64_t now_ms);
    std::vector<Window*> windows_;
};

} // namespace mrv::form
