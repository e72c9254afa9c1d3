#include "form/hand_off_queue.h"

namespace mrv::form
{

void HandOffQueue::Enqueue(std::shared_ptr<Task> task)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(task));
    }
    if (OnQueued) OnQueued();
}

void HandOffQueue::RunSync(const std::function<void()>& fn)
{
    auto task = std::make_shared<Task>();
    task->fn = fn;
    task->sync = true;
    Enqueue(task);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return task->finished; });
}

void HandOffQueue::Post(std::function<void()> fn)
{
    auto task = std::make_shared<Task>();
    task->fn = std::move(fn);
    Enqueue(std::move(task));
}

size_t HandOffQueue::RunPending()
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
    return batch.size();
}

} // namespace mrv::form
