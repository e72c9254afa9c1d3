#pragma once
// The user-interface thread's services for the program's logic: let the message
// queue run, hand work from a worker thread to the user-interface thread and
// wait for it, or post work to run later.

#include <functional>

namespace mrv::form
{

class UiThread
{
  public:
    virtual ~UiThread() = default;

    /// Lets pending events, hand-offs and due timers run once. On another
    /// thread it does nothing.
    virtual void ProcessMessages() = 0;
    /// For a caller that waits for the drive in the middle of its work: lets
    /// the window repaint and the workers' hand-offs run, but takes no clicks,
    /// keys or timer ticks, which stay queued until the work has ended. On
    /// another thread it does nothing.
    virtual void KeepAlive() = 0;
    /// Runs `fn` on the user-interface thread and returns when it has run. On
    /// the user-interface thread it runs `fn` at once.
    virtual void RunSync(const std::function<void()>& fn) = 0;
    /// Queues `fn` to run on the user-interface thread.
    virtual void Post(std::function<void()> fn) = 0;
    virtual bool IsUiThread() const = 0;
};

} // namespace mrv::form
