#pragma once
// The life of a test worker thread (the surface scan's, the seek test's): its
// start, the safe points at which the user interface may park it around its
// own drive commands, the synchronous hand-offs to the user-interface thread,
// and a stop that wakes it wherever it waits.

#include "app/test_threads.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace mrv
{

namespace form
{
class UiThread;
}

class WorkerThread : public TestWorker
{
  public:
    explicit WorkerThread(form::UiThread& ui);
    /// A derived worker stops the thread in its own destructor (`StopAndJoin`),
    /// before the members its body uses are gone.
    ~WorkerThread() override;

    /// A run exists: its thread has not been joined (the end of a run is
    /// handled on the user-interface thread, which joins it).
    bool Running() const override { return thread_.joinable(); }
    bool Suspended() const override { return suspend_requested_; }
    void Suspend() override;
    void Resume() override;

  protected:
    /// Starts `body` on a new thread; the previous one must have been joined.
    /// Returns the run's generation (a posted end can tell whether it is stale).
    uint64_t Launch(std::function<void()> body);
    /// Asks the worker to stop, wakes it and waits until it has left its body
    /// (running messages on the user-interface thread, since a worker may be
    /// blocked in a hand-off), then joins it. Nothing when no thread exists.
    void StopAndJoin();
    /// Asks the worker to stop and wakes its waits, without waiting for it.
    void RequestStop();
    /// Joins a worker that has left its body by itself.
    void Join();
    uint64_t Generation() const { return generation_; }

    /// Between drive commands: parks while suspended; false when stopping.
    bool SafePoint();
    bool Stopping() const { return stop_.load(std::memory_order_relaxed); }
    /// Runs `fn` on the user-interface thread while the worker waits; a
    /// suspension meanwhile does not wait for the worker.
    void HandOff(const std::function<void()>& fn);
    /// Gives the user-interface thread `pause` to catch up, at a safe point;
    /// false when stopping.
    bool WaitForUi(std::chrono::microseconds pause);
    /// Called when a stop is asked for, so that the worker's own waits end.
    virtual void WakeWaits() {}

    form::UiThread& ui_;

  private:
    std::thread thread_;
    uint64_t generation_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> exited_{false};
    std::atomic<bool> suspend_requested_{false};
    std::atomic<bool> parked_{false};
    /// The worker waits for the user-interface thread: it issues no drive
    /// command until it has passed a safe point.
    std::atomic<bool> waiting_for_ui_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
};

} // namespace mrv
