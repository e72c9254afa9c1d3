#pragma once
// The headless front end's user-interface thread: a small loop that runs the
// workers' hand-offs, posted work and due timers whenever it is pumped. Timers
// run on the platform clock, so that with the virtual PC's clock a scripted
// wait advances virtual time.

#include "form/hand_off_queue.h"
#include "form/timer_pump.h"
#include "form/ui_thread.h"
#include "platform/clock.h"

#include <cstdint>
#include <functional>
#include <thread>

namespace mrv::console
{

class ConsoleUiThread : public form::UiThread
{
  public:
    /// The constructing thread becomes the user-interface thread.
    explicit ConsoleUiThread(Clock& clock);

    void ProcessMessages() override;
    void KeepAlive() override;
    void RunSync(const std::function<void()>& fn) override;
    void Post(std::function<void()> fn) override;
    bool IsUiThread() const override;

    /// Windows whose timers this loop fires.
    void AddWindow(form::Window* window) { timers_.AddWindow(window); }
    /// Pumps for `ms` milliseconds of the clock, in 1 ms steps.
    void PumpFor(uint64_t ms);
    /// Pumps until `done` holds or `max_ms` have passed on the clock; true when done.
    bool PumpUntil(const std::function<bool()>& done, uint64_t max_ms);

  private:
    Clock& clock_;
    std::thread::id ui_id_;
    form::HandOffQueue hand_offs_;
    form::TimerPump timers_;
    bool in_timers_ = false;
};

} // namespace mrv::console
