#pragma once
// The seek test on the "Standard" tab: its start with the range, the limit and
// the refusals, the hand-offs that show what the worker measures, the error
// report, the end, and the mutual exclusion with the surface scan.

#include "mechanics/aam_control.h"
#include "mechanics/seek_state.h"
#include "mechanics/seek_worker.h"
#include "mechanics/temperature_watch.h"

#include <cstdint>
#include <string>

namespace mrv
{

class ProgramImpl;

class SeekTest
{
  public:
    explicit SeekTest(ProgramImpl& program);
    ~SeekTest();

  private:
    ProgramImpl& p_;

  public:
    SeekState state;
    TemperatureWatch temperature{p_, state};
    AamControl aam{p_};

    /// "Start", or Break while the button reads "Stop".
    void SeekBtnClick();
    void SeekModeGrpClick();
    /// A scan is starting: stops a running seek test; true when one ran.
    bool StopForScan();

    SeekWorker& Worker() { return worker_; }

  private:
    bool StartSeek();
    void RefuseStart();
    /// A running surface scan gives way to the seek test.
    void StopScan();
    std::string StartLogLine() const;
    uint64_t ParseLbaEdit(const std::string& text) const;
    /// The API route that carries SEEK to this drive, logged once per start;
    /// null when a one-sector verify stands in for it.
    DriveRoute* ChooseApiSeekRoute(uint64_t lba);
    bool TickPolling() const;

    // Hand-offs of the worker (user-interface thread).
    void LockSeekControls();
    void ShowSeekPosition();
    void ShowSeekAverage(const std::string& average);
    void ReportSeekError();
    void SeekFinished();
    /// The end common to every exit (the worker already gone).
    void EndSeek();

    SeekWorker worker_;
    bool starting_ = false;
};

} // namespace mrv
