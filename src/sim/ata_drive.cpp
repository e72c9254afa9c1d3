#include "sim/ata_drive.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

namespace mrv::sim
{

using namespace ata_status;

namespace
{
constexpr uint64_t kMs = 1000000;
constexpr uint64_t kSecond = 1000000000ull;
} // namespace

AtaDrive::AtaDrive(DriveConfig config, Clock& clock, uint32_t cpu_mhz)
    : config_(std::move(config)), clock_(clock), cpu_mhz_(cpu_mhz == 0 ? 1 : cpu_mhz),
      media_(config_.logical_sector_size, config_.native_sectors), defects_(config_.defects),
      mechanics_(config_, config_.native_sectors), smart_(config_, config_.native_sectors),
      security_(config_), write_cache_(config_.write_cache), look_ahead_(config_.look_ahead),
      aam_enabled_(config_.aam_enabled), aam_value_(config_.aam_value), apm_enabled_(config_.apm_supported),
      apm_value_(config_.apm_value), udma_selected_(config_.udma_max),
      current_max_(config_.max_sectors != 0 ? std::min(config_.max_sectors, config_.native_sectors)
                                            : config_.native_sectors),
      permanent_max_(current_max_)
{
    xfer_.resize(config_.logical_sector_size + 8);
    power_cycles_ = config_.power_cycles;
    const uint64_t now = NowNs();
    power_on_at_ns_ = now;
    spinning_since_ns_ = now;
    mechanics_.SpinUp(now);
    // The lab starts with the drive already powered up and idle, showing the reset signature.
    regs_.count = 1;
    regs_.lba_low = 1;
    regs_.status = kDrdy | kDsc;
    regs_.error = 0x01;
    smart_.SetBaseline(Live());
    vanish_countdown_ = config_.vanish_after;
}

AtaDrive::~AtaDrive() = default;

bool AtaDrive::Open(std::string& error)
{
    if (config_.image_path.empty()) return true;
    return media_.OpenImage(config_.image_path, error);
}

uint64_t AtaDrive::NowNs()
{
    const uint64_t tsc = clock_.ReadTsc();
    return (tsc / cpu_mhz_) * 1000 + (tsc % cpu_mhz_) * 1000 / cpu_mhz_;
}

std::array<uint8_t, 8> AtaDrive::Ecc(const uint8_t* data, size_t size)
{
    // Linear in the data, so that zero data has zero check bytes.
    uint64_t acc = 0;
    for (size_t i = 0; i + 8 <= size; i += 8) {
        uint64_t w = 0;
        std::memcpy(&w, data + i, 8);
        const unsigned r = static_cast<unsigned>((i / 8) % 63) + 1;
        acc ^= (w << r) | (w >> (64 - r));
    }
    std::array<uint8_t, 8> out{};
    for (int b = 0; b < 8; ++b)
        out[b] = static_cast<uint8_t>(acc >> (8 * b));
    return out;
}

SmartLive AtaDrive::Live()
{
    const uint64_t now = NowNs();
    SmartLive l;
    l.reallocated = defects_.ReallocatedCount();
    l.pending = defects_.PendingCount();
    l.unreadable = defects_.UnreadableCount();
    double rise = 0;
    if (powered_ && mechanics_.Spinning() && !standby_ && now > spinning_since_ns_)
        rise = 8.0 * (1.0 - std::exp(-static_cast<double>(now - spinning_since_ns_) / (900.0 * kSecond)));
    l.temperature_c = config_.temperature_c + static_cast<int>(std::lround(rise));
    const uint64_t on_ns = powered_ns_ + (powered_ && now > power_on_at_ns_ ? now - power_on_at_ns_ : 0);
    l.power_on_hours = config_.power_on_hours + on_ns / (3600 * kSecond);
    l.power_cycles = power_cycles_;
    l.start_stops = start_stops_;
    l.crc_errors = crc_errors_;
    return l;
}

// ---- Phase machine ---------------------------------------------------------

void AtaDrive::Poll()
{
    if (phase_ != Phase::Busy || stuck_ || reset_asserted_) return;
    if (NowNs() < busy_until_) return;
    phase_ = Phase::Idle;
    Step next = next_;
    next_ = nullptr;
    if (next != nullptr) (this->*next)();
}

void AtaDrive::Busy(uint64_t until_ns, Step next)
{
    phase_ = Phase::Busy;
    busy_until_ = until_ns;
    next_ = next;
    regs_.status = kBsy;
}

void AtaDrive::StuckBusy()
{
    phase_ = Phase::Busy;
    stuck_ = true;
    next_ = nullptr;
    regs_.status = kBsy;
}

void AtaDrive::StartPioIn(const uint8_t* src, size_t bytes, Step done)
{
    phase_ = Phase::PioIn;
    data_src_ = src;
    data_len_ = bytes;
    data_pos_ = 0;
    data_done_ = done;
    regs_.status = kDrdy | kDsc | kDrq;
}

void AtaDrive::StartPioOut(size_t bytes, Step done)
{
    phase_ = Phase::PioOut;
    if (xfer_.size() < bytes) xfer_.resize(bytes);
    data_src_ = nullptr;
    data_len_ = bytes;
    data_pos_ = 0;
    data_done_ = done;
    regs_.status = kDrdy | kDsc | kDrq;
}

void AtaDrive::Complete()
{
    phase_ = Phase::Idle;
    regs_.status = kDrdy | kDsc;
    last_command_ok_ = true;
}

void AtaDrive::Abort(uint8_t error)
{
    phase_ = Phase::Idle;
    regs_.error = error;
    regs_.status = kDrdy | kDsc | kErr;
    last_command_ok_ = false;
}

void AtaDrive::ErrorAt(uint64_t lba, uint8_t error, uint8_t extra_status)
{
    if (io_.ext)
        regs_.SetLba48(lba);
    else
        regs_.SetLba28(lba);
    Abort(error);
    regs_.status |= extra_status;
}

uint64_t AtaDrive::SpinReady(uint64_t now)
{
    if (!standby_ && mechanics_.Spinning()) return now;
    standby_ = false;
    ++start_stops_;
    const uint64_t ready = now + (config_.ssd ? 0 : static_cast<uint64_t>(config_.spin_up_ms) * kMs);
    mechanics_.SpinUp(ready);
    spinning_since_ns_ = ready;
    return ready;
}

void AtaDrive::SetInterfaceCrcEvery(uint32_t every)
{
    std::lock_guard lock(*lock_);
    config_.interface_crc_every = every;
    data_commands_ = 0;
}

bool AtaDrive::TakeInterfaceCrc()
{
    if (config_.interface_crc_every == 0) return false;
    if (++data_commands_ % config_.interface_crc_every != 0) return false;
    ++crc_errors_;
    Abort(ata_error::kIcrc | ata_error::kAbrt);
    return true;
}

// ---- Register interface ----------------------------------------------------

uint8_t AtaDrive::ReadRegister(AtaReg reg, bool hob)
{
    Poll();
    if (!powered_) return 0xFF; // the supply failed during the poll: the bus floats
    switch (reg) {
    case AtaReg::Data: {
        uint8_t b[2] = {0xFF, 0xFF};
        ReadData(b, 2);
        return b[0];
    }
    case AtaReg::Error:
        return regs_.error;
    case AtaReg::Count:
        return hob ? regs_.count_prev : regs_.count;
    case AtaReg::LbaLow:
        return hob ? regs_.lba_low_prev : regs_.lba_low;
    case AtaReg::LbaMid:
        return hob ? regs_.lba_mid_prev : regs_.lba_mid;
    case AtaReg::LbaHigh:
        return hob ? regs_.lba_high_prev : regs_.lba_high;
    case AtaReg::Device:
        return regs_.device;
    case AtaReg::Status:
        return regs_.status;
    }
    return 0xFF;
}

uint8_t AtaDrive::AlternateStatus()
{
    Poll();
    return powered_ ? regs_.status : 0xFF;
}

void AtaDrive::WriteRegister(AtaReg reg, uint8_t v)
{
    // Writes while busy are ignored by the device.
    if (phase_ == Phase::Busy) return;
    switch (reg) {
    case AtaReg::Error:
        DeviceRegisterFile::Push(regs_.features, regs_.features_prev, v);
        break;
    case AtaReg::Count:
        DeviceRegisterFile::Push(regs_.count, regs_.count_prev, v);
        break;
    case AtaReg::LbaLow:
        DeviceRegisterFile::Push(regs_.lba_low, regs_.lba_low_prev, v);
        break;
    case AtaReg::LbaMid:
        DeviceRegisterFile::Push(regs_.lba_mid, regs_.lba_mid_prev, v);
        break;
    case AtaReg::LbaHigh:
        DeviceRegisterFile::Push(regs_.lba_high, regs_.lba_high_prev, v);
        break;
    case AtaReg::Device:
        regs_.device = v;
        break;
    case AtaReg::Data: {
        const uint8_t b[2] = {v, 0};
        WriteData(b, 2);
        break;
    }
    case AtaReg::Status:
        WriteCommand(v);
        break;
    }
}

void AtaDrive::WriteCommand(uint8_t command)
{
    if (!powered_ || phase_ == Phase::Busy || !Selected()) return;
    if (vanish_countdown_ != 0 && --vanish_countdown_ == 0) {
        // Accepted, and the supply fails a moment later, before anything reaches the media.
        regs_.command = command;
        last_command_ = command;
        last_command_ok_ = false;
        Busy(NowNs() + kMs, &AtaDrive::SupplyFails);
        return;
    }
    const CommandInfo& info = Table()[command];
    prev_command_ = last_command_;
    prev_command_ok_ = last_command_ok_ && phase_ == Phase::Idle;
    last_command_ = command;
    last_command_ok_ = false;
    regs_.command = command;
    regs_.error = 0;
    phase_ = Phase::Idle;
    if (command != 0xF4) security_.ErasePrepared(false); // ERASE UNIT must follow ERASE PREPARE directly
    if (info.handler == nullptr) {
        Abort();
        return;
    }
    if ((info.flags & kMedia) != 0 && security_.Locked()) {
        Abort();
        return;
    }
    (this->*info.handler)();
}

void AtaDrive::ReadData(uint8_t* dst, size_t bytes)
{
    Poll();
    while (bytes > 0) {
        if (phase_ != Phase::PioIn) {
            std::memset(dst, 0xFF, bytes); // no data request: the bus floats
            return;
        }
        const size_t n = std::min(bytes, data_len_ - data_pos_);
        std::memcpy(dst, data_src_ + data_pos_, n);
        data_pos_ += n;
        dst += n;
        bytes -= n;
        if (data_pos_ == data_len_) {
            phase_ = Phase::Idle;
            regs_.status = kDrdy | kDsc;
            Step done = data_done_;
            data_done_ = nullptr;
            if (done != nullptr) (this->*done)();
            Poll();
        }
    }
}

void AtaDrive::WriteData(const uint8_t* src, size_t bytes)
{
    Poll();
    while (bytes > 0 && phase_ == Phase::PioOut) {
        const size_t n = std::min(bytes, data_len_ - data_pos_);
        std::memcpy(xfer_.data() + data_pos_, src, n);
        data_pos_ += n;
        src += n;
        bytes -= n;
        if (data_pos_ == data_len_) {
            phase_ = Phase::Idle;
            regs_.status = kDrdy | kDsc;
            Step done = data_done_;
            data_done_ = nullptr;
            if (done != nullptr) (this->*done)();
            Poll();
        }
    }
}

// ---- Reset and power -------------------------------------------------------

void AtaDrive::SetResetLine(bool asserted)
{
    if (!powered_) return;
    if (asserted) {
        if (reset_asserted_ || erasing_) return; // the erase runs to its end whatever the host does
        reset_asserted_ = true;
        stuck_ = false;
        smart_.Interrupt(NowNs(), true);
        phase_ = Phase::Busy;
        next_ = nullptr;
        regs_.status = kBsy;
        return;
    }
    if (!reset_asserted_) return;
    reset_asserted_ = false;
    mechanics_.DropCache();
    Busy(NowNs() + static_cast<uint64_t>(config_.reset_ms) * kMs, &AtaDrive::ResetDone);
}

void AtaDrive::ResetDone()
{
    // The diagnostic signature of an ATA device.
    regs_.count = 1;
    regs_.lba_low = 1;
    regs_.lba_mid = 0;
    regs_.lba_high = 0;
    regs_.count_prev = regs_.lba_low_prev = regs_.lba_mid_prev = regs_.lba_high_prev = 0;
    regs_.device = 0;
    regs_.error = 0x01;
    regs_.status = kDrdy | kDsc;
    phase_ = Phase::Idle;
    last_command_ = 0;
    last_command_ok_ = false;
}

void AtaDrive::PowerOff()
{
    if (!powered_) return;
    const uint64_t now = NowNs();
    smart_.Interrupt(now, false);
    if (now > power_on_at_ns_) powered_ns_ += now - power_on_at_ns_;
    powered_ = false;
    phase_ = Phase::Idle;
    stuck_ = false;
    erasing_ = false;
    reset_asserted_ = false;
    mechanics_.SpinDown();
}

void AtaDrive::PowerOn()
{
    if (powered_) return;
    powered_ = true;
    const uint64_t now = NowNs();
    power_on_at_ns_ = now;
    ++power_cycles_;
    // What a power cycle forgets.
    security_.PowerOn();
    current_max_ = permanent_max_;
    set_max_permanent_done_ = false;
    write_cache_ = config_.write_cache;
    look_ahead_ = config_.look_ahead;
    aam_enabled_ = config_.aam_enabled;
    aam_value_ = config_.aam_value;
    apm_enabled_ = config_.apm_supported;
    apm_value_ = config_.apm_value;
    udma_selected_ = config_.udma_max;
    mwdma_selected_ = -1;
    buffer_.fill(0);
    standby_ = true; // spins up now
    const uint64_t ready = SpinReady(now);
    regs_ = DeviceRegisterFile{};
    Busy(std::max(ready, now + 50 * kMs), &AtaDrive::ResetDone);
}

void AtaDrive::PowerOnDone()
{
    ResetDone();
}

void AtaDrive::VanishAfterCommands(uint32_t n)
{
    std::lock_guard<std::mutex> guard(*lock_);
    vanish_countdown_ = n;
}

void AtaDrive::SupplyFails()
{
    if (supply_lost_)
        supply_lost_();
    else
        PowerOff();
}

// ---- Value entry -----------------------------------------------------------

AtaCommand MakeAtaCommand(uint8_t command, uint16_t features, uint16_t count, uint64_t lba, uint8_t device,
                          bool ext, AtaProtocol protocol)
{
    AtaCommand c = ext ? AtaCommand::Lba48(count, command, lba)
                       : AtaCommand::Lba28(static_cast<uint8_t>(count), command, lba);
    c.in.features = ext ? features : static_cast<uint8_t>(features);
    c.in.device = ext ? device : static_cast<uint8_t>((device & 0xF0) | ((lba >> 24) & 0x0F));
    c.protocol = protocol;
    return c;
}

AtaResult AtaDrive::Execute(const AtaCommand& c)
{
    AtaResult out;
    uint8_t* const data = c.data;
    const size_t length = c.data_length;
    std::unique_lock<std::mutex> lock(*lock_);
    const uint64_t deadline = NowNs() + static_cast<uint64_t>(c.timeout_seconds) * 1000 * kMs;
    auto wait_not_busy = [&]() {
        while (powered_) {
            Poll();
            if (!powered_) break; // the supply failed during the command
            if (phase_ != Phase::Busy) return true;
            const uint64_t now = NowNs();
            if (now >= deadline) return false;
            const uint64_t target = stuck_ || reset_asserted_ ? deadline : std::min(deadline, busy_until_);
            // Another thread may have moved time past the end since the poll.
            if (target <= now) continue;
            lock.unlock();
            if (target - now < kMs) {
                // Less than a millisecond: poll (each look at the clock moves virtual time on),
                // so that sector-by-sector transfers are not rounded up to whole milliseconds.
                std::this_thread::yield();
            } else {
                const uint64_t wait_ms = (target - now) / kMs;
                clock_.SleepMs(static_cast<uint32_t>(std::min<uint64_t>(wait_ms, 1000)));
            }
            lock.lock();
        }
        return false;
    };
    // The host's error handling resets a device that let a request time out,
    // as an operating system does before it fails the request.
    auto host_reset = [&] {
        SetResetLine(true);
        SetResetLine(false);
    };
    if (!wait_not_busy()) {
        out.timed_out = true;
        host_reset();
        return out;
    }
    const mrv::AtaRegisters& in = c.in;
    // The device byte (with LBA bits 27-24 of a 28-bit command) goes as given.
    regs_.device = static_cast<uint8_t>((in.device & ~0x10) | (slave_ ? 0x10 : 0));
    if (c.ext) {
        WriteRegister(AtaReg::Error, static_cast<uint8_t>(in.features >> 8));
        WriteRegister(AtaReg::Count, static_cast<uint8_t>(in.count >> 8));
        WriteRegister(AtaReg::LbaLow, static_cast<uint8_t>(in.lba_low >> 8));
        WriteRegister(AtaReg::LbaMid, static_cast<uint8_t>(in.lba_mid >> 8));
        WriteRegister(AtaReg::LbaHigh, static_cast<uint8_t>(in.lba_high >> 8));
    }
    WriteRegister(AtaReg::Error, static_cast<uint8_t>(in.features));
    WriteRegister(AtaReg::Count, static_cast<uint8_t>(in.count));
    WriteRegister(AtaReg::LbaLow, static_cast<uint8_t>(in.lba_low));
    WriteRegister(AtaReg::LbaMid, static_cast<uint8_t>(in.lba_mid));
    WriteRegister(AtaReg::LbaHigh, static_cast<uint8_t>(in.lba_high));
    WriteCommand(in.command);
    size_t pos = 0;
    std::vector<uint8_t> scratch;
    while (true) {
        if (!wait_not_busy()) {
            out.timed_out = true;
            host_reset();
            break;
        }
        if (phase_ == Phase::PioIn) {
            const size_t n = data_len_ - data_pos_;
            if (c.protocol == AtaProtocol::PioIn && data != nullptr && pos + n <= length) {
                ReadData(data + pos, n);
                pos += n;
            } else {
                scratch.resize(n);
                ReadData(scratch.data(), n);
            }
            continue;
        }
        if (phase_ == Phase::PioOut) {
            const size_t n = data_len_ - data_pos_;
            if (c.protocol == AtaProtocol::PioOut && data != nullptr && pos + n <= length) {
                WriteData(data + pos, n);
                pos += n;
            } else {
                scratch.assign(n, 0);
                WriteData(scratch.data(), n);
            }
            continue;
        }
        break;
    }
    out.transferred = static_cast<uint32_t>(pos);
    out.status = regs_.status;
    out.error = regs_.error;
    out.count = static_cast<uint16_t>(regs_.count_prev << 8 | regs_.count);
    out.lba = regs_.Lba48();
    out.device = regs_.device;
    out.registers_valid = true;
    out.ok = !out.timed_out && (out.status & (ata_status::kErr | ata_status::kDf)) == 0;
    return out;
}

} // namespace mrv::sim
