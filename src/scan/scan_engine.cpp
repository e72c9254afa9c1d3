#include "scan/scan_engine.h"

#include "app/program_impl.h"
#include "platform/ata_command.h"
#include "scan/scan_walk.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mrv
{

namespace
{

/// Room for the largest block: 65535 sectors of up to 512 bytes, or 8192
/// sectors of 4096, plus one sector.
constexpr size_t kTransferBytes = 32u * 1024 * 1024 + 4096;
constexpr uint32_t kPatternWord = 0x55AA55AA;

uint8_t CommandOf(ScanMode mode)
{
    switch (mode) {
    case ScanMode::Read:
        return 0x20;
    case ScanMode::Write:
        return 0x30;
    case ScanMode::Verify:
        break;
    }
    return 0x40;
}

uint64_t SteadyMicros()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

/// A zeroed buffer of at least `bytes`, reusing the one there is when it is large enough.
void ReserveZeroed(std::unique_ptr<AlignedBuffer>& buffer, size_t bytes)
{
    if (!buffer || buffer->Size() < bytes)
        buffer = std::make_unique<AlignedBuffer>(bytes);
    else
        std::memset(buffer->Data(), 0, bytes);
}

} // namespace

AlignedBuffer::AlignedBuffer(size_t size) : size_((size + 4095) / 4096 * 4096)
{
    data_ = static_cast<uint8_t*>(std::aligned_alloc(4096, size_));
    if (!data_) throw std::bad_alloc();
    std::memset(data_, 0, size_);
}

AlignedBuffer::~AlignedBuffer()
{
    std::free(data_);
}

ScanEngine::ScanEngine(ProgramImpl& program, ScanState& state)
    : WorkerThread(program.ui), p_(program), s_(state),
      timer_wait_(program.platform.clock, [this] { return p_.pio.IsDriveFaulted(); })
{
}

ScanEngine::~ScanEngine()
{
    StopAndJoin();
    timer_wait_.Stop();
}

bool ScanEngine::PausedByUser() const
{
    return s_.PauseRequested;
}

void ScanEngine::Start(ScanRunSettings settings)
{
    Terminate();
    run_ = std::move(settings);
    // Sized for the largest block of this run: a 32 MiB buffer touched at
    // every start would cost more than a short scan.
    const uint32_t sector = run_.sector_size ? run_.sector_size : 512;
    const size_t bytes =
        std::min<size_t>(size_t{std::max<uint32_t>(s_.BlockSize, 1)} * sector, kTransferBytes);
    ReserveZeroed(transfer_, bytes);
    if (s_.Mode == ScanMode::Write && run_.api && s_.WriteCheck) {
        ReserveZeroed(pattern_, bytes);
        ReserveZeroed(compare_, bytes);
        for (size_t i = 0; i + 4 <= pattern_->Size(); i += 4)
            std::memcpy(pattern_->Data() + i, &kPatternWord, 4);
    }
    s_.WaitingForTimer = false;
    if (!run_.api && run_.timer == ScanTimer::MmTimer) timer_wait_.Start();
    Launch([this] { Execute(); });
}

void ScanEngine::Terminate()
{
    if (!Running()) return;
    if (in_hand_off_) {
        // A defect action let messages run and the user stopped the scan: the
        // worker waits for that very action, so it is joined once it is over.
        RequestStop();
        ui_.Post([this] { Terminate(); });
        return;
    }
    StopAndJoin();
    timer_wait_.Stop();
    s_.WaitingForTimer = false;
    run_.device.reset();
    ApplyResults();
}

void ScanEngine::ApplyResults()
{
    // A defect action that lets messages run must not apply later blocks
    // before its own.
    if (applying_) return;
    applying_ = true;
    const uint64_t start = SteadyMicros();
    ring_.Drain([this](const BlockResult& queued) {
        BlockResult block = queued;
        if (OnGoodBlock) OnGoodBlock(block);
    });
    const uint64_t took = SteadyMicros() - start;
    if (took > longest_apply_us_) longest_apply_us_ = took;
    applying_ = false;
}

void ScanEngine::Queue(const BlockResult& block)
{
    while (!ring_.Push(block)) {
        // The user-interface thread applies the queue on its timer; a worker
        // this far ahead waits for it, at a safe point.
        if (!WaitForUi(std::chrono::microseconds(500))) return;
    }
}

void ScanEngine::SetPriority()
{
    // API → time-critical; PIO tick polling → higher; PIO multimedia timer →
    // time-critical for a verify on NT-family systems. Best effort only.
    int priority = priority::kThreadHighest;
    if (run_.api || (run_.timer == ScanTimer::MmTimer && p_.state.IsNtFamily && s_.Mode == ScanMode::Verify))
        priority = priority::kThreadTimeCritical;
    p_.platform.system.SetThreadPriority(priority);
}

void ScanEngine::Execute()
{
    const uint64_t generation = Generation();
    SetPriority();
    RandomDraw draw(p_.platform.clock.ReadTsc() ^ (p_.platform.clock.TickCountMs() << 20) ^ generation);
    bool completed = false;
    bool walk_ended = false;
    while (s_.ScanRunning && SafePoint()) {
        BlockResult block;
        // The rest of a block a defect action stopped in comes before the
        // walk's next block; it does not move the walk.
        const bool rest = s_.ResumeCount != 0;
        if (rest) {
            block.lba = s_.ResumeLba;
            block.block_size = s_.ResumeCount.Exchange(0);
        } else {
            if (walk_ended || !PlaceNextBlock(s_, draw)) {
                completed = true;
                break;
            }
            block.lba = s_.CurrentLba;
            block.block_size = s_.BlockSize;
        }
        block.butterfly_low = s_.ButterflyLow;
        block.butterfly_high = s_.ButterflyHigh;
        block.butterfly_mid = s_.ButterflyMid;
        block.direction = s_.Direction;
        std::string distortion;
        const Outcome outcome = RunBlock(block, distortion);
        if (outcome == Outcome::Aborted || Stopping()) break;
        block.finished_us = NowMicros();
        // '\0' asks the user-interface thread for the class mark.
        block.mark = '\0';
        if (s_.JumpRightMark.Exchange(false))
            block.mark = '>';
        else if (s_.JumpLeftMark.Exchange(false))
            block.mark = '<';
        if (outcome == Outcome::Bad) {
            HandOff([this, &block, &distortion] {
                ApplyResults();
                in_hand_off_ = true;
                if (OnBadBlock) OnBadBlock(block, distortion);
                in_hand_off_ = false;
            });
        } else {
            Queue(block);
        }
        if (p_.state.BreakRequested || Stopping()) break;
        if (!rest && !AdvanceAfterBlock(s_, p_.platform.clock.TickCountMs())) {
            walk_ended = true;
            if (s_.ResumeCount == 0) {
                completed = true;
                break;
            }
        }
    }
    if (run_.api) run_.device.reset();
    if (!Stopping()) {
        p_.ui.Post([this, generation, completed] {
            if (generation != Generation() || !Running()) return;
            Join();
            timer_wait_.Stop();
            ApplyResults();
            if (OnFinished) OnFinished(completed);
        });
    }
}

ScanEngine::Outcome ScanEngine::RunBlock(BlockResult& block, std::string& distortion)
{
    return run_.api ? RunApiBlock(block, distortion) : RunPioBlock(block);
}

uint64_t ScanEngine::NowMicros() const
{
    const SharedState& st = p_.state;
    if (st.UseCpuCounter)
        return static_cast<uint64_t>(static_cast<double>(p_.platform.clock.ReadTsc()) * 1000.0 /
                                     std::max<uint32_t>(st.TicksPerMs, 1));
    return p_.platform.clock.TickCountMs() * 1000;
}

ScanEngine::Outcome ScanEngine::RunApiBlock(BlockResult& block, std::string& distortion)
{
    SharedState& st = p_.state;
    OsDevice* device = run_.device.get();
    const uint32_t sector = run_.sector_size ? run_.sector_size : 512;
    const uint64_t bytes = uint64_t{block.block_size} * sector;
    RequestStopwatch stopwatch(p_.platform.clock, st);
    stopwatch.Start();
    bool ok = false;
    bool distorted = false;
    if (s_.Mode == ScanMode::Write && s_.WriteCheck && pattern_) {
        ActiveFlag writing(st.ApiWriteActive);
        ok = bytes <= pattern_->Size() &&
             p_.api.ApiWriteSectors(device, block.block_size, pattern_->Data(), sector, block.lba) == bytes;
        if (ok) {
            ok = p_.api.OsDeviceOps::IssueBlockCommand(device, block.block_size, 0x20, block.lba, sector,
                                                       compare_->Data(), compare_->Size());
        }
        if (ok) {
            for (uint64_t i = 0; i + 4 <= bytes; i += 4) {
                uint32_t word;
                std::memcpy(&word, compare_->Data() + i, 4);
                if (word != kPatternWord) {
                    char text[64];
                    std::snprintf(text, sizeof text, "Writen 55AAh, read %04Xh", word & 0xFFFF);
                    distortion = text;
                    distorted = true;
                    break;
                }
            }
        }
    } else {
        std::atomic<bool>& active = s_.Mode == ScanMode::Write ? st.ApiWriteActive : st.ApiReadActive;
        ActiveFlag flag(active);
        ok = device != nullptr &&
             p_.api.OsDeviceOps::IssueBlockCommand(device, block.block_size, CommandOf(s_.Mode), block.lba,
                                                   sector, transfer_->Data(), transfer_->Size());
    }
    block.time = stopwatch.ElapsedMs();
    if (distorted) {
        block.status = kStatusDistortion;
        return Outcome::Bad;
    }
    if (ok) {
        block.status = 0;
        return Outcome::Good;
    }
    block.status = StatusOfApiError(device ? device->LastError() : 6);
    return Outcome::Bad;
}

bool ScanEngine::WaitForDrive(uint64_t& units, bool& timed_out)
{
    const int32_t timeout = s_.TimeoutSetting;
    const auto abort = [this] { return p_.state.BreakRequested || Stopping(); };
    WaitOutcome out;
    if (run_.timer == ScanTimer::MmTimer) {
        s_.TimeoutFlag = false;
        s_.WaitingForTimer = true;
        // The count must exceed the time-out before the worker is woken.
        out = timer_wait_.Wait(timeout > 0 ? static_cast<uint64_t>(timeout) : kNoWaitLimit,
                               [this] { return Stopping(); });
        s_.WaitingForTimer = false;
    } else {
        // Polling ends once the count reaches ten passes per millisecond.
        out = PollWhileBusy(
            p_.platform.clock, p_.state.TicksPerUnit, [this] { return p_.pio.IsDriveFaulted(); }, abort,
            timeout >= 1 ? static_cast<uint64_t>(timeout) * 10 - 1 : kNoWaitLimit);
    }
    units = out.units;
    timed_out = out.timed_out;
    s_.TimeoutFlag = timed_out;
    return !out.aborted;
}

bool ScanEngine::TransferData(const BlockResult& block, bool write, bool& aborted)
{
    SharedState& st = p_.state;
    std::atomic<bool>& active = write ? st.PioWriteActive : st.PioReadActive;
    ActiveFlag flag(active);
    DataPhaseScope phase(p_.scan_view.data_phase, write ? DataPhase::Write : DataPhase::Read);
    std::array<uint8_t, 512> sector{};
    for (uint32_t i = 0; i < block.block_size; ++i) {
        if (st.BreakRequested && s_.BreakInLoops) {
            aborted = true;
            return true;
        }
        if (p_.pio.WaitDataRequest()) {
            if (write) {
                {
                    std::lock_guard buffer_lock(st.BufferLock);
                    std::memcpy(sector.data(), st.WideBuffer.Bytes(), sector.size());
                }
                p_.pio.WriteDataBlock32(sector.data());
            } else {
                p_.pio.ReadDataBlock32(sector.data());
                std::lock_guard buffer_lock(st.BufferLock);
                std::memcpy(st.WideBuffer.Bytes(), sector.data(), sector.size());
            }
        }
        if (p_.pio.WaitNotBusy() == -1) {
            p_.pio.SoftReset();
            return false;
        }
    }
    return true;
}

ScanEngine::Outcome ScanEngine::RunPioBlock(BlockResult& block)
{
    SharedState& st = p_.state;
    Clock& clock = p_.platform.clock;
    const bool write = s_.Mode == ScanMode::Write;
    const bool long_write = write && s_.LongWriting && LongWriteBlock;
    block.time = 0;
    s_.TimeoutFlag = false;
    st.LbaOutOfRange = false;
    bool issued = true;
    if (!long_write) issued = p_.pio.IssueBlockCommand(block.block_size, CommandOf(s_.Mode), block.lba);
    if (!issued) {
        block.status = st.LbaOutOfRange ? kStatusBeyond28Bit : kStatusRefused;
        return Outcome::Bad;
    }
    if (long_write) {
        // The per-sector long write runs its own commands and waits.
        const bool ok = LongWriteBlock(block.lba, block.block_size);
        if (!ok && st.BreakRequested) return Outcome::Aborted;
        block.status = ok ? 0 : kStatusRefused;
        return ok ? Outcome::Good : Outcome::Bad;
    }

    uint64_t units = 0;
    bool timed_out = false;
    if (!WaitForDrive(units, timed_out)) return Outcome::Aborted;
    if (!st.IsNtFamily && run_.timer == ScanTimer::TickPolling) clock.SleepMs(1);
    block.time = units;
    if (timed_out) {
        if (!s_.DefectoscopeMode) p_.pio.SoftReset();
        p_.pio.WaitNotBusy();
        block.status = 0;
        return Outcome::Bad;
    }

    if (s_.Mode != ScanMode::Verify) {
        const unsigned divisor = run_.timer == ScanTimer::TickPolling ? 10 : 1;
        const uint64_t tsc_start = clock.ReadTsc();
        const uint64_t ms_start = clock.TickCountMs();
        bool aborted = false;
        const bool ok = TransferData(block, write, aborted);
        if (aborted) return Outcome::Aborted;
        if (!ok) {
            block.status = 0;
            return Outcome::Bad;
        }
        uint64_t data_time;
        if (st.UseCpuCounter)
            data_time = ((clock.ReadTsc() - tsc_start) / (uint64_t{st.TicksPerUnit} + 1)) >> 6;
        else
            data_time = (clock.TickCountMs() - ms_start) >> 3;
        block.time = (block.time + data_time) * divisor;
    }

    // The error register means something only when the drive set ERR.
    const uint8_t status = p_.platform.ports.InByte(st.StatusPort);
    block.status = (status & ata_bits::kErr) ? p_.pio.ReadErrorRegister() : 0;
    if ((status & ata_bits::kErr) && block.status == 0) block.status = kStatusRefused;
    return block.status == 0 ? Outcome::Good : Outcome::Bad;
}

} // namespace mrv
