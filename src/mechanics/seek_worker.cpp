#include "mechanics/seek_worker.h"

#include "app/program_impl.h"
#include "mechanics/seek_rules.h"
#include "platform/ata_command.h"
#include "scan/scan_walk.h"

#include <algorithm>
#include <array>

namespace mrv
{

namespace
{

constexpr uint8_t kSeek = 0x70;
constexpr uint8_t kReadVerify = 0x40;
constexpr uint8_t kReadSectors = 0x20;
constexpr uint8_t kWriteLong = 0x32;
/// WRITE LONG moves a sector and its ECC bytes: 256 data words and 4 more.
constexpr size_t kLongWords = 260;

} // namespace

SeekWorker::SeekWorker(ProgramImpl& program, SeekState& state)
    : WorkerThread(program.ui), p_(program), s_(state),
      timer_wait_(program.platform.clock, [this] { return p_.pio.IsDriveFaulted(); })
{
}

SeekWorker::~SeekWorker()
{
    StopAndJoin();
    timer_wait_.Stop();
}

void SeekWorker::Start(SeekRunSettings settings)
{
    Terminate();
    run_ = std::move(settings);
    s_.SeekWaiting = false;
    if (!run_.api && s_.Timer == ScanTimer::MmTimer) timer_wait_.Start();
    Launch([this] { Execute(); });
}

void SeekWorker::Terminate()
{
    if (Running()) StopAndJoin();
    timer_wait_.Stop();
    s_.SeekWaiting = false;
    run_.device.reset();
}

bool SeekWorker::Abort() const
{
    return Stopping() || p_.state.BreakRequested || !s_.SeekRunning;
}

void SeekWorker::Execute()
{
    const uint64_t generation = Generation();
    const bool tick_polling = !run_.api && s_.Timer == ScanTimer::TickPolling;
    if (!run_.api && s_.Timer == ScanTimer::MmTimer)
        p_.platform.system.SetThreadPriority(priority::kThreadHighest);
    Clock& clock = p_.platform.clock;
    // Seeded once per run: reseeding from the clock before every draw repeats
    // positions whenever two draws fall into the same clock reading.
    RandomDraw draw(clock.ReadTsc() ^ (clock.TickCountMs() << 20) ^ generation);
    s_.SeekCount = 0;
    s_.SeekSampleCount = 0;
    uint64_t sum = 0;
    uint32_t passes = 0;
    bool watch = false;
    clock.SleepMs(20);
    HandOff([this, &watch] {
        if (LockSeekControls) LockSeekControls();
        watch = WatchTemperature && WatchTemperature();
    });

    bool failed = false;
    while (!Abort() && SafePoint()) {
        s_.SeekLba = DrawSeekLba(s_.SeekStartLba, s_.SeekEndLba, draw);
        const Pass pass = run_.api ? ApiAccess() : PioAccess();
        if (pass == Pass::Aborted || Stopping()) break;
        if (pass == Pass::Failed) {
            failed = true;
            break;
        }
        if (pass == Pass::Skipped) continue;
        sum += s_.AccessTime;
        s_.SeekSampleCount = s_.SeekSampleCount + 1;
        s_.SeekCount = s_.SeekCount + 1;
        if (s_.SeekSampleCount >= kWindow) {
            s_.SeekSampleCount = 0;
            const std::string average = SeekAverageText(sum, tick_polling);
            sum = 0;
            HandOff([this, &average] {
                if (ShowSeekAverage) ShowSeekAverage(average);
                if (ReadSeekLimit) s_.SeekLimit = ReadSeekLimit();
            });
        }
        if (watch && ++passes % kTemperaturePasses == 0) {
            HandOff([this, &watch] {
                watch =
                    WatchTemperature && WatchTemperature() && ReadSeekTemperature && ReadSeekTemperature();
            });
        }
    }
    if (failed && !Stopping())
        HandOff([this] {
            if (ReportSeekError) ReportSeekError();
        });
    if (run_.api) run_.device.reset();
    if (!Stopping()) {
        p_.ui.Post([this, generation] {
            if (generation != Generation() || !Running()) return;
            Join();
            timer_wait_.Stop();
            s_.SeekWaiting = false;
            if (SeekFinished) SeekFinished();
        });
    }
}

WaitOutcome SeekWorker::WaitForDrive(bool break_in_loops)
{
    const uint64_t limit = s_.SeekLimit;
    if (s_.Timer == ScanTimer::MmTimer) {
        s_.SeekWaiting = true;
        const WaitOutcome out = timer_wait_.Wait(limit, [this] { return Stopping(); });
        s_.SeekWaiting = false;
        return out;
    }
    return PollWhileBusy(
        p_.platform.clock, p_.state.TicksPerUnit, [this] { return p_.pio.IsDriveFaulted(); },
        [this, break_in_loops] { return Stopping() || (break_in_loops && p_.state.BreakRequested); }, limit);
}

SeekWorker::Pass SeekWorker::PioAccess()
{
    AtaPio& pio = p_.pio;
    pio.WaitNotBusy();
    HandOff([this] {
        if (ShowSeekPosition) ShowSeekPosition();
    });
    if (!SafePoint()) return Pass::Aborted;
    const uint64_t lba = s_.SeekLba;
    p_.state.LbaOutOfRange = false;
    bool issued = true;
    switch (s_.Method) {
    case SeekMethod::Seek:
        issued = pio.IssueBlockCommand(1, kSeek, SeekCommandLba(lba));
        break;
    case SeekMethod::Verify:
        issued = pio.IssueBlockCommand(1, kReadVerify, lba);
        break;
    case SeekMethod::Read:
        issued = pio.IssueBlockCommand(1, kReadSectors, lba);
        break;
    case SeekMethod::LongWrite: {
        const Pass pass = IssueLongWrite(lba);
        if (pass != Pass::Timed) return pass;
        break;
    }
    }
    if (!issued) {
        // Not sent at all (an LBA beyond 28 bits without 48-bit addressing).
        s_.ErrorRegister = 0;
        s_.SeekError = SeekFailure::DriveError;
        return Pass::Failed;
    }

    s_.AccessTime = 0;
    const WaitOutcome out = WaitForDrive(run_.break_in_loops);
    if (out.aborted) return Pass::Aborted;
    s_.AccessTime = static_cast<uint32_t>(std::min<uint64_t>(out.units, UINT32_MAX));
    if (out.timed_out) {
        s_.SeekError = SeekFailure::Timeout;
        return Pass::Failed;
    }
    // The error register means something only when the drive set ERR.
    const uint8_t status = p_.platform.ports.InByte(p_.state.StatusPort);
    if (status & ata_bits::kErr) {
        s_.ErrorRegister = pio.ReadErrorRegister();
        s_.SeekError = SeekFailure::DriveError;
        return Pass::Failed;
    }
    if (s_.Method == SeekMethod::Read && pio.IsDriveReady() && pio.WaitDataRequest()) pio.PioReadSector();
    return Pass::Timed;
}

SeekWorker::Pass SeekWorker::IssueLongWrite(uint64_t lba)
{
    AtaPio& pio = p_.pio;
    if (!pio.IssueBlockCommand(1, kReadSectors, lba)) {
        s_.ErrorRegister = 0;
        s_.SeekError = SeekFailure::DriveError;
        return Pass::Failed;
    }
    const WaitOutcome read = WaitForDrive(run_.break_in_loops);
    if (read.aborted) return Pass::Aborted;
    if (read.timed_out) {
        pio.SoftReset();
        pio.WaitNotBusy();
        return Pass::Skipped;
    }
    const uint8_t status = p_.platform.ports.InByte(p_.state.StatusPort);
    if ((status & ata_bits::kErr) || !pio.WaitDataRequest()) return Pass::Skipped;
    pio.PioReadSector();
    if (!pio.IssueBlockCommand(1, kWriteLong, lba)) {
        s_.ErrorRegister = 0;
        s_.SeekError = SeekFailure::DriveError;
        return Pass::Failed;
    }
    if (pio.WaitDataRequest()) {
        const std::array<uint16_t, kLongWords> zeros{};
        p_.platform.ports.OutWords(p_.state.BasePort, zeros.data(), zeros.size());
    }
    return Pass::Timed;
}

SeekWorker::Pass SeekWorker::ApiAccess()
{
    HandOff([this] {
        if (ShowSeekPosition) ShowSeekPosition();
    });
    if (!SafePoint()) return Pass::Aborted;
    const uint64_t lba = s_.SeekLba;
    RequestStopwatch stopwatch(p_.platform.clock, p_.state);
    stopwatch.Start();
    bool ok;
    if (s_.Method == SeekMethod::Seek && run_.seek_route) {
        ok = run_.seek_route->Execute(AtaCommand::Lba28(0, kSeek, SeekCommandLba(lba))).Ok();
    } else {
        const uint8_t command = s_.Method == SeekMethod::Read ? kReadSectors : kReadVerify;
        std::atomic<bool>& active = p_.state.ApiReadActive;
        ActiveFlag flag(active);
        ok = run_.device && p_.api.IssueBlockCommand(run_.device.get(), 1, command, lba);
    }
    const uint64_t elapsed = stopwatch.ElapsedMs();
    s_.AccessTime = static_cast<uint32_t>(std::min<uint64_t>(elapsed, UINT32_MAX));
    if (!ok) {
        s_.ErrorRegister = 0;
        s_.SeekError = SeekFailure::DriveError;
        return Pass::Failed;
    }
    if (elapsed > s_.SeekLimit) {
        s_.SeekError = SeekFailure::Timeout;
        return Pass::Failed;
    }
    return Pass::Timed;
}

} // namespace mrv
