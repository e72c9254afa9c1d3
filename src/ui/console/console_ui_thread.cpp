#include "ui/console/console_ui_thread.h"

namespace mrv::console {

ConsoleUiThread::ConsoleUiThread(Clock& clock) : clock_(clock), ui_id_(std::this_thread::get_id()) {}

bool ConsoleUiThread::IsUiThread() const { return std::this_thread::get_id() == ui_id_; }

void ConsoleUiThread::RunPending()
{
    std::deque<std::shared_ptr<Task>> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(queue_);
    }
    for (auto& task : batch) {
        task->fn();
        if (task->sync) {
            std::lock_guard lock(mutex_);
            task->finished = true;
        }
    }
    if (!batch.empty()) done_.notify_all();
}

void ConsoleUiThread::ProcessMessages()
{
    if (!IsUiThread()) return;
    RunPending();
    // A timer handler that lets the queue run must not fire the timers again.
    if (in_timers_) return;
    in_timers_ = true;
    timers_.RunDue(clock_.TickCountMs());
    in_timers_ = false;
    RunPending();
}

void ConsoleUiThread::RunSync(const std::function<void()>& fn)
{
    if (IsUiThread()) {
        fn();
        return;
    }
    auto task = std::make_shared<Task>();
    task->fn = fn;
    task->sync = true;
    std::unique_lock lock(mutex_);
    queue_.push_back(task);
    done_.wait(lock, [&] { return task->finished; });
}

void ConsoleUiThread::Post(std::function<void()> fn)
{
    auto task = std::make_shared<Task>();
    task->fn = std::move(fn);
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(task));
}

void ConsoleUiThread::PumpFor(uint64_t ms)
{
    PumpUntil([] { return false; }, ms);
}

bool ConsoleUiThread::PumpUntil(const std::function<bool()>& done, uint64_t max_ms)
{
    const uint64_t start = clock_.TickCountMs();
    for (;;) {
        ProcessMessages();
        if (done()) return true;
        if (clock_.TickCountMs() - start >= max_ms) return false;
        clock_.SleepMs(1);
    }
}

} // namespace mrv::console
