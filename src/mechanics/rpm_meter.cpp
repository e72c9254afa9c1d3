// The spindle speed from the time the platter needs to bring the next sector
// under the head once the drive stops reading ahead.

#include "app/program_impl.h"
#include "config/cache_switches.h"
#include "mechanics/spindle_control.h"

#include <cstdio>

namespace mrv
{

namespace
{
constexpr uint32_t kMaxRpm = 20000;
constexpr form::Colour kLedGreen = form::colours::kLime; // 00FF00h

/// Saves the process's scheduling and puts it back, however the window ends.
class RealTimeWindow
{
  public:
    explicit RealTimeWindow(SystemInfo& system)
        : system_(system), class_(system.PriorityClass()), thread_(system.ThreadPriority())
    {
        system_.SetPriorityClass(priority::kRealtimeClass);
        system_.SetThreadPriority(priority::kThreadTimeCritical);
    }
    ~RealTimeWindow()
    {
        system_.SetThreadPriority(thread_);
        system_.SetPriorityClass(class_);
    }
    RealTimeWindow(const RealTimeWindow&) = delete;
    RealTimeWindow& operator=(const RealTimeWindow&) = delete;

  private:
    SystemInfo& system_;
    uint32_t class_;
    int thread_;
};
} // namespace

std::optional<uint32_t> RpmOfCount(uint64_t count)
{
    if (count > kMaxRpm / 16) return std::nullopt;
    return static_cast<uint32_t>(count * 16);
}

void SpindleControl::MeasureRpm()
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    p_.ops.ResetBreakState();
    p_.ops.SuspendTestThreads();
    fm.RpmMeter.SetPosition(0);
    fm.RpmLED.SetFontColour(form::colours::kYellow);
    fm.RpmLED.SetCaption("Wait");

    if (fm.AdjustCPUchk.Checked()) {
        p_.LogLine("CPU clock...", kNewLine, kLogInfo);
        p_.ops.CalibrateTimers();
        char text[64];
        std::snprintf(text, sizeof text, "CPU clock... %.2f MHz", st.CpuMHz);
        p_.LogLine(text, kReplaceLast, kLogInfo);
    }

    const bool ready = st.access_mode != AccessMode::Pio || p_.pio.AwaitDriveReady();
    if (ready && p_.passport.ReadPassport(false, {}) <= 0) {
        p_.LogLine("Drive is corrupted! Process aborted", kNewLine, kLogError);
    } else if (ready && SwitchLookAhead(false)) {
        Recalibrate();
        p_.LogLine("Detecting RPM...", kNewLine, kLogInfo);
        std::optional<uint64_t> count;
        {
            RealTimeWindow window(p_.platform.system);
            p_.platform.clock.SleepMs(10);
            count = CountRevolutions();
            if (count) {
                fm.RpmLab.SetCaption("");
                if (std::optional<uint32_t> rpm = RpmOfCount(*count)) ShowRpm(*rpm);
            }
            fm.RpmMeter.SetPosition(0);
        }
        SwitchLookAhead(true);
    }
    p_.ops.ResumeTestThreads();
}

bool SpindleControl::SwitchLookAhead(bool on)
{
    const std::string start = on ? "Enable cache..." : "Disable cache...";
    p_.LogLine(start, kNewLine, kLogInfo);
    p_.ui.ProcessMessages();
    const bool ok = p_.cache.SendSetFeatures(on ? set_features::kLookAheadOn : set_features::kLookAheadOff) !=
                    CacheSwitches::Answered::None;
    if (ok) {
        p_.LogLine(start + " OK", kReplaceLast, kLogInfo);
    } else if (on) {
        p_.LogLine(start + " Error", kReplaceLast, kLogError);
    } else {
        p_.LogLine(start + " Error, process terminated", kReplaceLast, kLogError);
        p_.fm.RpmLED.SetCaption("0");
    }
    return ok;
}

std::optional<uint64_t> SpindleControl::CountRevolutions()
{
    TFm& fm = p_.fm;
    const SharedState& st = p_.state;
    const uint64_t window = st.UseCpuCounter ? kWindowUnits * st.TicksPerUnit : kWindowUnits / 10;
    const uint64_t step = window / kMeterSteps;
    uint64_t lba = 1;
    uint64_t count = 1;
    int meter = 0;
    const uint64_t t0 = p_.pio.Now();
    uint64_t next_step = t0;
    const uint64_t end = t0 + window;
    for (;;) {
        // Once per read, so that "Break All" is seen.
        p_.ui.ProcessMessages();
        const uint64_t now = p_.pio.Now();
        if (st.BreakRequested) return std::nullopt;
        if (!p_.pio.ReadSector(lba)) {
            p_.LogLine("Detecting RPM... read error! Process aborted", kReplaceLast, kLogError);
            fm.RpmLED.SetFontColour(form::colours::kRed);
            fm.RpmLED.SetCaption("Error");
            return std::nullopt;
        }
        ++lba;
        ++count;
        if (now > next_step) {
            next_step += step;
            fm.RpmMeter.SetPosition(++meter);
        }
        if (now > end) return count;
    }
}

void SpindleControl::ShowRpm(uint32_t rpm)
{
    TFm& fm = p_.fm;
    const std::string text = std::to_string(rpm);
    fm.RpmLED.SetFontColour(kLedGreen);
    fm.RpmLED.SetCaption(text);
    fm.RpmLab.SetCaption(text + " RPM");
    p_.LogLine("Detecting RPM... " + text + " RPM", kReplaceLast, kLogNotice);
}

} // namespace mrv
