#pragma once
// What the user interface needs of a running test worker (surface scan, seek
// test) to keep its own drive commands apart from the worker's.

namespace mrv
{

class TestWorker
{
  public:
    virtual ~TestWorker() = default;
    /// The test is running (its thread exists).
    virtual bool Running() const = 0;
    /// The user paused it.
    virtual bool PausedByUser() const = 0;
    virtual bool Suspended() const = 0;
    /// Parks the worker at a safe point (between drive commands) and clears its
    /// "active" flag; returns when it is parked.
    virtual void Suspend() = 0;
    /// Sets the "active" flag and lets the worker go on.
    virtual void Resume() = 0;
};

} // namespace mrv
