#include "app/shared_operations.h"

#include "app/program_impl.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace mrv
{

void SharedOperations::SuspendTestThreads()
{
    for (TestWorker* worker : {p_.scan_worker, p_.seek_worker}) {
        if (worker && worker->Running() && !worker->Suspended()) worker->Suspend();
    }
}

void SharedOperations::ResumeTestThreads()
{
    if (TestWorker* scan = p_.scan_worker; scan && scan->Running() && !scan->PausedByUser()) scan->Resume();
    if (TestWorker* seek = p_.seek_worker; seek && seek->Running()) seek->Resume();
}

void SharedOperations::EnableDriveControls(bool on)
{
    TFm& fm = p_.fm;
    for (form::Control* c : std::initializer_list<form::Control*>{
             &fm.TimerGroup, &fm.AtaTimerRg, &fm.PCIScanBtn, &fm.ApiList, &fm.ApiDevSpin, &fm.PortPanel})
        c->SetEnabled(on);
    fm.APIRg.SetEnabled(on && p_.state.IsNtFamily && p_.state.DriverOpen);
}

void SharedOperations::ResetBreakState()
{
    p_.state.BreakRequested = false;
    p_.state.AbortRequested = false;
    p_.fm.BreakLed.SetBrush(form::Colour::FromColorRef(0x808080));
    p_.SetApplicationTitle("Morvanta ");
}

void SharedOperations::SpeakerTone(uint16_t divisor, uint32_t milliseconds)
{
    p_.ui.ProcessMessages();
    // Without port access the speaker cannot be reached.
    if (p_.state.IsNtFamily && !p_.state.DriverOpen) return;
    if (!p_.fm.AllSoundChk.Checked()) return;
    PortBus& ports = p_.platform.ports;
    ports.OutByte(0x43, 0xB6);
    ports.OutByte(0x42, static_cast<uint8_t>(divisor & 0xFF));
    ports.OutByte(0x42, static_cast<uint8_t>(divisor >> 8));
    ports.OutByte(0x61, static_cast<uint8_t>(ports.InByte(0x61) | 0x03));
    p_.platform.clock.SleepMs(milliseconds);
    ports.OutByte(0x61, 0);
}

void SharedOperations::BellSignal()
{
    if (!p_.fm.BellChk.Checked()) return;
    for (uint16_t divisor : {300, 400, 500, 600, 700})
        SpeakerTone(divisor, 70);
}

void SharedOperations::SleepWithMessages(uint32_t ms)
{
    Clock& clock = p_.platform.clock;
    if (!p_.ui.IsUiThread()) {
        clock.SleepMs(ms);
        return;
    }
    constexpr uint64_t kSliceMs = 10;
    const uint64_t end = clock.TickCountMs() + ms;
    for (;;) {
        p_.ui.KeepAlive();
        const uint64_t now = clock.TickCountMs();
        if (now >= end) break;
        clock.SleepMs(static_cast<uint32_t>(std::min(end - now, kSliceMs)));
    }
}

void SharedOperations::RunWithMessages(const std::function<void()>& work)
{
    if (!p_.ui.IsUiThread()) {
        work();
        return;
    }
    // The wait does not look at the clock, so that what the request takes is
    // timed as it would be on this thread (the RPM meter times its reads).
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread helper([&] {
        work();
        std::lock_guard lock(mutex);
        done = true;
        finished.notify_one();
    });
    std::unique_lock lock(mutex);
    while (!finished.wait_for(lock, std::chrono::milliseconds(10), [&] { return done; })) {
        lock.unlock();
        p_.ui.KeepAlive();
        lock.lock();
    }
    lock.unlock();
    helper.join();
}

double SharedOperations::MeasureCpuClock()
{
    SystemInfo& system = p_.platform.system;
    Clock& clock = p_.platform.clock;
    uint32_t saved_class = system.PriorityClass();
    int saved_thread = system.ThreadPriority();
    system.SetPriorityClass(priority::kRealtimeClass);
    system.SetThreadPriority(priority::kThreadTimeCritical);
    clock.SleepMs(10);
    uint64_t start = clock.ReadTsc();
    clock.SleepMs(500);
    uint64_t end = clock.ReadTsc();
    system.SetPriorityClass(saved_class);
    system.SetThreadPriority(saved_thread);
    return static_cast<uint32_t>(end - start) / 499960.0;
}

void SharedOperations::CalibrateTimers()
{
    SharedState& st = p_.state;
    st.CpuMHz = MeasureCpuClock();
    uint32_t ticks = static_cast<uint32_t>(st.CpuMHz) * 100;
    st.TicksPerUnit = ticks == 0 ? 1 : ticks;
    st.TicksPerMs = st.TicksPerUnit * 10;
}

bool SharedOperations::TargetIsSystemDisk()
{
    const SharedState& st = p_.state;
    if (st.access_mode != AccessMode::Api) return false;
    // A logical drive is device number −1 (255 as the settings file stores it).
    const bool logical = st.ApiDeviceIndex < 0 || st.ApiDeviceIndex == 255;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(st.ApiDriveLetter)));
    if (st.ApiDeviceIndex == 0 || (logical && letter == 'C')) return true;
    const SystemDiskUse use = logical ? p_.platform.devices.LogicalDriveUse(letter)
                                      : p_.platform.devices.PhysicalDriveUse(st.ApiDeviceIndex);
    return use.Any();
}

} // namespace mrv
