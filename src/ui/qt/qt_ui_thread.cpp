#include "ui/qt/qt_ui_thread.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <limits>

namespace mrv::qt
{

QtUiThread::QtUiThread() : ui_id_(std::this_thread::get_id())
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &receiver_, [this] { FireTimers(); });
    hand_offs_.OnQueued = [this] {
        QMetaObject::invokeMethod(
            &receiver_, [this] { hand_offs_.RunPending(); }, Qt::QueuedConnection);
    };
}

QtUiThread::~QtUiThread()
{
    // Hand-offs still queued run now, so that no worker stays blocked.
    hand_offs_.RunPending();
}

uint64_t QtUiThread::NowMs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool QtUiThread::IsUiThread() const
{
    return std::this_thread::get_id() == ui_id_;
}

void QtUiThread::AddWindow(form::Window* window)
{
    pump_.AddWindow(window);
    RescheduleTimers();
}

void QtUiThread::ProcessMessages()
{
    if (!IsUiThread()) return;
    hand_offs_.RunPending();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    hand_offs_.RunPending();
}

void QtUiThread::KeepAlive()
{
    if (!IsUiThread()) return;
    ++keeping_alive_;
    hand_offs_.RunPending();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    hand_offs_.RunPending();
    --keeping_alive_;
}

void QtUiThread::RunSync(const std::function<void()>& fn)
{
    if (IsUiThread())
        fn();
    else
        hand_offs_.RunSync(fn);
}

void QtUiThread::Post(std::function<void()> fn)
{
    hand_offs_.Post(std::move(fn));
}

void QtUiThread::FireTimers()
{
    // A timer handler that lets the queue run must not fire the timers again.
    if (keeping_alive_ > 0) {
        // Due timers fire once the waiting work has ended: a little later.
        timer_.start(10);
        return;
    }
    if (!in_timers_) {
        in_timers_ = true;
        pump_.RunDue(NowMs());
        in_timers_ = false;
    }
    RescheduleTimers();
}

void QtUiThread::RescheduleTimers()
{
    uint64_t wait = pump_.NextDueIn(NowMs());
    if (wait == std::numeric_limits<uint64_t>::max()) {
        timer_.stop();
        return;
    }
    timer_.start(static_cast<int>(std::min<uint64_t>(wait, 60000)));
}

} // namespace mrv::qt
