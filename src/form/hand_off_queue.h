#pragma once
// Work handed to the user-interface thread: synchronous hand-offs from workers
// (the worker waits until its function has run) and posted work. Whichever
// loop a front end runs calls RunPending() on the user-interface thread.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace mrv::form
{

class HandOffQueue
{
  public:
    /// Called (on the queuing thread) after something was queued, so that a
    /// front end can wake its loop.
    std::function<void()> OnQueued;

    /// Queues `fn` and blocks until RunPending() has run it.
    void RunSync(const std::function<void()>& fn);
    void Post(std::function<void()> fn);
    /// Runs what was queued so far (not what those functions queue themselves);
    /// returns how many ran.
    size_t RunPending();

  private:
    struct Task {
        std::function<void()> fn;
        bool sync = false;
        bool finished = false;
    };
    void Enqueue(std::shared_ptr<Task> task);

    std::mutex mutex_;
    std::condition_variable done_;
    std::deque<std::shared_ptr<Task>> queue_;
};

} // namespace mrv::form
