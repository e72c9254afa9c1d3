#pragma once
// The user-interface thread on Qt's event loop. Workers' synchronous hand-offs
// are queued and run either by a queued invocation from the event loop or by
// any ProcessMessages() of the user-interface thread, so a UI thread that waits
// in ProcessMessages never deadlocks with a worker's RunSync. Timer controls
// fire from a single Qt timer that follows the next due form timer.

#include "form/hand_off_queue.h"
#include "form/timer_pump.h"
#include "form/ui_thread.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <thread>

namespace mrv::qt
{

class QtUiThread : public form::UiThread
{
  public:
    /// Create on the thread that runs the QApplication.
    QtUiThread();
    ~QtUiThread() override;

    void ProcessMessages() override;
    void KeepAlive() override;
    void RunSync(const std::function<void()>& fn) override;
    void Post(std::function<void()> fn) override;
    bool IsUiThread() const override;

    void AddWindow(form::Window* window);
    /// Re-arms the Qt timer after a form timer was started, stopped or changed.
    void RescheduleTimers();
    /// Milliseconds on the timers' clock.
    static uint64_t NowMs();

  private:
    void FireTimers();

    std::thread::id ui_id_;
    QObject receiver_;
    QTimer timer_;
    form::HandOffQueue hand_offs_;
    form::TimerPump pump_;
    bool in_timers_ = false;
    int keeping_alive_ = 0; ///< depth of KeepAlive calls: timers wait meanwhile
};

} // namespace mrv::qt
