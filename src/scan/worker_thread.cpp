#include "scan/worker_thread.h"

#include "form/ui_thread.h"

namespace mrv
{

WorkerThread::WorkerThread(form::UiThread& ui) : ui_(ui) {}

WorkerThread::~WorkerThread()
{
    stop_ = true;
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

uint64_t WorkerThread::Launch(std::function<void()> body)
{
    stop_ = false;
    exited_ = false;
    suspend_requested_ = false;
    parked_ = false;
    waiting_for_ui_ = false;
    const uint64_t generation = ++generation_;
    thread_ = std::thread([this, body = std::move(body)] {
        body();
        {
            std::lock_guard lock(mutex_);
            exited_ = true;
        }
        wake_.notify_all();
    });
    return generation;
}

void WorkerThread::RequestStop()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    WakeWaits();
}

void WorkerThread::StopAndJoin()
{
    if (!thread_.joinable()) return;
    RequestStop();
    while (!exited_) {
        if (ui_.IsUiThread()) ui_.ProcessMessages();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    thread_.join();
}

void WorkerThread::Join()
{
    if (thread_.joinable()) thread_.join();
}

void WorkerThread::Suspend()
{
    if (!Running()) return;
    suspend_requested_ = true;
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return parked_ || waiting_for_ui_ || exited_; });
}

void WorkerThread::Resume()
{
    {
        std::lock_guard lock(mutex_);
        suspend_requested_ = false;
    }
    wake_.notify_all();
}

bool WorkerThread::SafePoint()
{
    if (suspend_requested_) {
        std::unique_lock lock(mutex_);
        parked_ = true;
        wake_.notify_all();
        wake_.wait(lock, [this] { return !suspend_requested_ || Stopping(); });
        parked_ = false;
    }
    return !Stopping();
}

void WorkerThread::HandOff(const std::function<void()>& fn)
{
    {
        std::lock_guard lock(mutex_);
        waiting_for_ui_ = true;
    }
    wake_.notify_all();
    ui_.RunSync([this, &fn] {
        if (!Stopping()) fn();
    });
    waiting_for_ui_ = false;
}

bool WorkerThread::WaitForUi(std::chrono::microseconds pause)
{
    if (Stopping()) return false;
    {
        std::lock_guard lock(mutex_);
        waiting_for_ui_ = true;
    }
    wake_.notify_all();
    std::this_thread::sleep_for(pause);
    waiting_for_ui_ = false;
    return SafePoint();
}

} // namespace mrv
