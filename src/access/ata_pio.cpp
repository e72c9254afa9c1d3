#include "access/ata_pio.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "app/program_impl.h"

namespace mrv {

namespace {

constexpr int kData = 0, kError = 1, kCount = 2, kLbaLow = 3, kLbaMid = 4, kLbaHigh = 5, kDevice = 6, kStatus = 7;
constexpr size_t kSectorWords = 256;
constexpr size_t kSectorDwords = 128;

/// Words of a sector buffer as the string transfers move them.
void WordsToBuffer(const std::array<uint16_t, kSectorWords>& words, SectorWords& buffer)
{
    for (size_t i = 0; i < kSectorWords; ++i) buffer.SetWord(i, words[i]);
}

std::array<uint16_t, kSectorWords> BufferToWords(const SectorWords& buffer)
{
    std::array<uint16_t, kSectorWords> words{};
    for (size_t i = 0; i < kSectorWords; ++i) words[i] = buffer.Word(i);
    return words;
}

/// Sets an activity flag for the lifetime of the object.
class ActiveFlag {
public:
    explicit ActiveFlag(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
    ~ActiveFlag() { flag_ = false; }
    ActiveFlag(const ActiveFlag&) = delete;
    ActiveFlag& operator=(const ActiveFlag&) = delete;

private:
    std::atomic<bool>& flag_;
};

} // namespace

AtaPio::AtaPio(ProgramImpl& program) : p_(program)
{
    TFm& fm = p_.fm;
    fm.BusyTrk.OnChange = [this] { ComputeAtaTimeouts(); };
    fm.DrqTrk.OnChange = [this] { ComputeAtaTimeouts(); };
    fm.RdyTrk.OnChange = [this] { ComputeAtaTimeouts(); };
    fm.AtaTimerRg.OnClick = [this] { ComputeAtaTimeouts(); };
    fm.biglbaChk.OnClick = [this] { Apply48BitBox(); };
    // Workers read the option through this mirror, never the control itself.
    std::function<void()> previous = fm.BreakLoopsChk.OnClick;
    fm.BreakLoopsChk.OnClick = [this, previous] {
        break_loops_ = p_.fm.BreakLoopsChk.Checked();
        if (previous) previous();
    };
    p_.steps.InitialSelectDevice = [this] {
        p_.platform.ports.OutByte(Base(kDevice), 0xA0);
        SelectDevice();
    };
    p_.steps.ComputeAtaTimeouts = [this] { ComputeAtaTimeouts(); };
}

uint16_t AtaPio::Base(int offset) const
{
    return static_cast<uint16_t>(p_.state.BasePort + offset);
}

void AtaPio::Pump()
{
    if (p_.ui.IsUiThread()) p_.ui.ProcessMessages();
}

bool AtaPio::PortsUsable() const
{
    return !(p_.state.IsNtFamily && !p_.state.DriverOpen);
}

uint64_t AtaPio::Now() const
{
    return p_.state.UseCpuCounter ? p_.platform.clock.ReadTsc() : p_.platform.clock.TickCountMs();
}

// ---------------------------------------------------------------------------
// Register loads

void AtaPio::SelectDevice()
{
    PortBus& ports = p_.platform.ports;
    uint8_t device = ports.InByte(Base(kDevice));
    ports.OutByte(Base(kDevice), static_cast<uint8_t>((device & ~0x10) | p_.state.DeviceSelectBit));
}

void AtaPio::LoadTaskFile(const AtaCommand& command)
{
    PortBus& ports = p_.platform.ports;
    const AtaTaskRegisters& r = command.in;
    ports.OutByte(Base(kDevice), static_cast<uint8_t>((r.device & ~0x10) | p_.state.DeviceSelectBit));
    auto load = [&](int shift) {
        ports.OutByte(Base(kError), static_cast<uint8_t>(r.features >> shift));
        ports.OutByte(Base(kCount), static_cast<uint8_t>(r.count >> shift));
        ports.OutByte(Base(kLbaLow), static_cast<uint8_t>(r.lba_low >> shift));
        ports.OutByte(Base(kLbaMid), static_cast<uint8_t>(r.lba_mid >> shift));
        ports.OutByte(Base(kLbaHigh), static_cast<uint8_t>(r.lba_high >> shift));
    };
    // The registers are two-byte FIFOs in 48-bit mode: the previous byte goes first.
    if (command.ext) load(8);
    load(0);
    ports.OutByte(Base(kStatus), r.command);
}

uint64_t AtaPio::ReadLbaRegisters(bool ext, uint16_t* count)
{
    PortBus& ports = p_.platform.ports;
    uint64_t value = ports.InByte(Base(kCount));
    uint64_t low = ports.InByte(Base(kLbaLow));
    uint64_t mid = ports.InByte(Base(kLbaMid));
    uint64_t high = ports.InByte(Base(kLbaHigh));
    if (!ext) {
        if (count) *count = static_cast<uint16_t>(value);
        return static_cast<uint64_t>(ports.InByte(Base(kDevice)) & 0x0F) << 24 | high << 16 | mid << 8 | low;
    }
    // The previous bytes show while HOB is set in the device control register.
    ports.OutByte(p_.state.AltPort, ata_bits::kHob);
    uint64_t value_prev = ports.InByte(Base(kCount));
    uint64_t low_prev = ports.InByte(Base(kLbaLow));
    uint64_t mid_prev = ports.InByte(Base(kLbaMid));
    uint64_t high_prev = ports.InByte(Base(kLbaHigh));
    ports.OutByte(p_.state.AltPort, 0x00);
    if (count) *count = static_cast<uint16_t>(value_prev << 8 | value);
    return high_prev << 40 | mid_prev << 32 | low_prev << 24 | high << 16 | mid << 8 | low;
}

void AtaPio::ReadOutputRegisters(AtaCommand& command)
{
    PortBus& ports = p_.platform.ports;
    AtaCommand::Output& out = command.out;
    out.status = ports.InByte(Base(kStatus));
    out.error = ports.InByte(Base(kError));
    out.device = ports.InByte(Base(kDevice));
    out.lba = ReadLbaRegisters(command.ext, &out.count);
}

void AtaPio::WriteTaskFile28(uint8_t features, uint8_t count, uint8_t command, uint8_t device, uint8_t cyl_high,
                             uint8_t cyl_low, uint8_t sector)
{
    LoadTaskFile(AtaCommand::TaskFile28(features, count, command, device, cyl_high, cyl_low, sector));
}

void AtaPio::WriteTaskFile48(uint16_t features, uint16_t count, uint16_t low, uint16_t mid, uint16_t high,
                             uint8_t device, uint8_t command)
{
    LoadTaskFile(AtaCommand::TaskFile48(features, count, low, mid, high, device, command));
}

void AtaPio::IssueLba28(uint8_t count, uint8_t command, uint64_t lba)
{
    LoadTaskFile(AtaCommand::Lba28(count, command, lba));
}

void AtaPio::IssueLba48(uint16_t count, uint8_t command, uint64_t lba)
{
    LoadTaskFile(AtaCommand::Lba48(count, command, lba));
}

bool AtaPio::IssueBlockCommand(uint32_t count, uint8_t command, uint64_t lba)
{
    if (p_.state.access_mode == AccessMode::Pio) return IssueBlockCommand(nullptr, count, command, lba);
    return p_.api.IssueBlockCommand(count, command, lba);
}

bool AtaPio::IssueBlockCommand(OsDevice* device, uint32_t count, uint8_t command, uint64_t lba)
{
    SharedState& st = p_.state;
    if (st.access_mode == AccessMode::Api) return device != nullptr && p_.api.IssueBlockCommand(device, count, command, lba);
    if (st.Use48Bit) {
        IssueLba48(static_cast<uint16_t>(count), ExtendedBlockCommand(command), lba);
        return true;
    }
    if (lba > kMaxLba28) {
        // Left to the caller to tell the user about 48-bit addressing.
        p_.platform.clock.SleepMs(500);
        st.LbaOutOfRange = true;
        return false;
    }
    IssueLba28(static_cast<uint8_t>(count), command, lba);
    return true;
}

uint64_t AtaPio::ReadTaskFileLba()
{
    return ReadLbaRegisters(p_.state.Use48Bit, nullptr);
}

// ---------------------------------------------------------------------------
// Status

int64_t AtaPio::WaitNotBusy()
{
    SharedState& st = p_.state;
    PortBus& ports = p_.platform.ports;
    const uint64_t start = Now();
    const uint64_t deadline = start + st.BusyTimeout;
    uint64_t now = start;
    while (now < deadline) {
        if (st.AppClosing) return 1;
        if ((ports.InByte(st.StatusPort) & ata_bits::kBsy) == 0)
            return static_cast<int64_t>((now - start) / std::max<uint32_t>(st.TicksPerUnit, 1));
        Pump();
        now = Now();
    }
    return -1;
}

bool AtaPio::WaitDataRequest()
{
    SharedState& st = p_.state;
    PortBus& ports = p_.platform.ports;
    const uint64_t deadline = Now() + st.DrqTimeout;
    // DRQ is read from the status register itself even when status is polled
    // at the alternate port; no message processing here, for the scan's timing.
    while (Now() < deadline) {
        if (ports.InByte(Base(kStatus)) & ata_bits::kDrq) return true;
        if (st.AppClosing) return false;
    }
    return false;
}

bool AtaPio::WaitDriveReady(uint32_t ms)
{
    SharedState& st = p_.state;
    PortBus& ports = p_.platform.ports;
    const uint64_t span = st.UseCpuCounter ? static_cast<uint64_t>(ms) * st.TicksPerMs : ms;
    const uint64_t deadline = Now() + span;
    for (;;) {
        uint8_t status = ports.InByte(st.StatusPort);
        if ((status & ata_bits::kBsy) == 0 && (status & ata_bits::kDrdy) != 0) return true;
        Pump();
        if (break_loops_ && st.BreakRequested) return false;
        if (st.AppClosing) return false;
        if (ms != 0 && Now() > deadline) return false;
    }
}

uint8_t AtaPio::ReadErrorRegister()
{
    SelectDevice();
    PortBus& ports = p_.platform.ports;
    if (ports.InByte(p_.state.StatusPort) & ata_bits::kErr) return ports.InByte(Base(kError));
    return 0;
}

bool AtaPio::IsDriveReady()
{
    uint8_t status = p_.platform.ports.InByte(p_.state.StatusPort);
    return (status & (ata_bits::kBsy | ata_bits::kDrdy | ata_bits::kDsc)) == (ata_bits::kDrdy | ata_bits::kDsc);
}

bool AtaPio::IsDriveBusy()
{
    return (p_.platform.ports.InByte(p_.state.StatusPort) & ata_bits::kBsy) != 0;
}

bool AtaPio::IsDriveFaulted()
{
    uint8_t status = p_.platform.ports.InByte(p_.state.StatusPort);
    constexpr uint8_t mask = ata_bits::kBsy | ata_bits::kDrdy | ata_bits::kDsc | ata_bits::kDf;
    return (status & mask) != (ata_bits::kDrdy | ata_bits::kDsc);
}

bool AtaPio::ProbeChannel()
{
    if (p_.fm.DrdyChk.Checked()) return true;
    PortBus& ports = p_.platform.ports;
    Clock& clock = p_.platform.clock;
    ports.OutByte(Base(kCount), 0x55);
    clock.SleepMs(3);
    bool first = ports.InByte(Base(kCount)) == 0x55;
    clock.SleepMs(4);
    ports.OutByte(Base(kLbaLow), 0xAA);
    clock.SleepMs(5);
    bool second = ports.InByte(Base(kLbaLow)) == 0xAA;
    return first && second;
}

bool AtaPio::AwaitDriveReady()
{
    SharedState& st = p_.state;
    auto refresh_leds = [this] {
        if (p_.ui.IsUiThread()) p_.monitor.RefreshStatusLeds();
    };
    refresh_leds();
    if (p_.fm.DrdyChk.Checked()) return true;
    p_.LogLine("Waiting of readiness...", false, 1);
    SelectDevice();
    const uint64_t deadline = Now() + st.ReadyTimeout;
    for (;;) {
        Pump();
        uint8_t status = p_.platform.ports.InByte(st.StatusPort);
        // BSY 0, DRDY 1, DF 0, DSC 1, DRQ 0.
        bool ready = (status & 0xD8) == 0x50;
        refresh_leds();
        if (ready) break;
        if (Now() > deadline || st.AppClosing) {
            p_.LogLine("Waiting of readiness... Drive not ready!", true, 4);
            if (WaitDataRequest() && !IsDriveBusy())
                p_.LogLine("[ATA protocol] DRQ!!! Press RESET or restart HDD!", false, 4);
            p_.ops.SpeakerTone(500, 200);
            return false;
        }
    }
    if (!ProbeChannel()) return false;
    p_.LogLine("Waiting of readiness... Drive is ready", true, 1);
    return true;
}

bool AtaPio::AtaNonDataCommand(uint8_t features, uint8_t count, uint8_t command, uint8_t device, uint8_t cyl_high,
                               uint8_t cyl_low, uint8_t sector)
{
    if (WaitNotBusy() == -1) return false;
    WriteTaskFile28(features, count, command, device, cyl_high, cyl_low, sector);
    if (WaitNotBusy() == -1) return false;
    return ReadErrorRegister() == 0;
}

bool AtaPio::Execute(AtaCommand& command)
{
    command.out = {};
    PortBus& ports = p_.platform.ports;
    if (WaitNotBusy() == -1) {
        command.out.timed_out = true;
        return false;
    }
    LoadTaskFile(command);
    if (command.protocol != AtaProtocol::NonData) {
        const uint32_t sectors = command.Sectors();
        for (uint32_t i = 0; i < sectors; ++i) {
            if (WaitNotBusy() == -1) {
                command.out.timed_out = true;
                return false;
            }
            // A drive that ends the command early (ERR) gives no DRQ.
            if (!WaitDataRequest()) break;
            std::array<uint16_t, kSectorWords> words{};
            const size_t offset = static_cast<size_t>(i) * 512;
            const bool room = command.data != nullptr && offset + 512 <= command.data_length;
            if (command.protocol == AtaProtocol::PioIn) {
                ActiveFlag active(p_.state.PioReadActive);
                ports.InWords(Base(kData), words.data(), kSectorWords);
                if (room) {
                    for (size_t w = 0; w < kSectorWords; ++w) {
                        command.data[offset + w * 2] = static_cast<uint8_t>(words[w]);
                        command.data[offset + w * 2 + 1] = static_cast<uint8_t>(words[w] >> 8);
                    }
                }
            } else {
                if (room) {
                    for (size_t w = 0; w < kSectorWords; ++w)
                        words[w] = static_cast<uint16_t>(command.data[offset + w * 2] |
                                                         command.data[offset + w * 2 + 1] << 8);
                }
                ActiveFlag active(p_.state.PioWriteActive);
                ports.OutWords(Base(kData), words.data(), kSectorWords);
            }
        }
    }
    if (WaitNotBusy() == -1) {
        command.out.timed_out = true;
        return false;
    }
    ReadOutputRegisters(command);
    return command.Ok();
}

// ---------------------------------------------------------------------------
// PIO transfers

bool AtaPio::PioReadSector()
{
    {
        ActiveFlag active(p_.state.PioReadActive);
        std::array<uint16_t, kSectorWords> words{};
        p_.platform.ports.InWords(Base(kData), words.data(), kSectorWords);
        std::lock_guard buffer_lock(p_.state.BufferLock);
        WordsToBuffer(words, p_.state.SectorBuffer);
    }
    if (WaitNotBusy() == -1) return false;
    return ReadErrorRegister() == 0;
}

bool AtaPio::PioReadSectorAux()
{
    {
        ActiveFlag active(p_.state.PioReadActive);
        std::array<uint16_t, kSectorWords> words{};
        p_.platform.ports.InWords(Base(kData), words.data(), kSectorWords);
        std::lock_guard buffer_lock(p_.state.BufferLock);
        WordsToBuffer(words, p_.state.AuxSectorBuffer);
    }
    if (WaitNotBusy() == -1) return false;
    return ReadErrorRegister() == 0;
}

bool AtaPio::PioWriteSector()
{
    {
        ActiveFlag active(p_.state.PioWriteActive);
        std::array<uint16_t, kSectorWords> words = BufferToWords(p_.state.SectorBuffer);
        p_.platform.ports.OutWords(Base(kData), words.data(), kSectorWords);
    }
    if (WaitNotBusy() == -1) return false;
    return ReadErrorRegister() == 0;
}

void AtaPio::PioReadSector32()
{
    ActiveFlag active(p_.state.PioReadActive);
    std::array<uint32_t, kSectorDwords> dwords{};
    p_.platform.ports.InDwords(Base(kData), dwords.data(), kSectorDwords);
    std::lock_guard buffer_lock(p_.state.BufferLock);
    uint8_t* bytes = p_.state.WideBuffer.Bytes();
    for (size_t i = 0; i < kSectorDwords; ++i)
        for (int b = 0; b < 4; ++b) bytes[i * 4 + b] = static_cast<uint8_t>(dwords[i] >> (8 * b));
}

void AtaPio::PioWriteSector32()
{
    ActiveFlag active(p_.state.PioWriteActive);
    std::array<uint32_t, kSectorDwords> dwords{};
    const uint8_t* bytes = p_.state.WideBuffer.Bytes();
    for (size_t i = 0; i < kSectorDwords; ++i)
        for (int b = 0; b < 4; ++b) dwords[i] |= static_cast<uint32_t>(bytes[i * 4 + b]) << (8 * b);
    p_.platform.ports.OutDwords(Base(kData), dwords.data(), kSectorDwords);
}

// ---------------------------------------------------------------------------
// One-sector operations

bool AtaPio::ReadSector(uint64_t lba)
{
    if (p_.state.access_mode == AccessMode::Api)
        return ApiSectorTransfer(lba, p_.state.SectorBuffer.Bytes(), p_.state.SectorBuffer.Size(), false);
    return WaitNotBusy() != -1 && IssueBlockCommand(1, 0x20, lba) && WaitNotBusy() != -1 && WaitDataRequest() &&
           PioReadSector() && ReadErrorRegister() == 0;
}

bool AtaPio::ReadSectorAux(uint64_t lba)
{
    if (p_.state.access_mode == AccessMode::Api)
        return ApiSectorTransfer(lba, p_.state.AuxSectorBuffer.Bytes(), p_.state.AuxSectorBuffer.Size(), false);
    return WaitNotBusy() != -1 && IssueBlockCommand(1, 0x20, lba) && WaitNotBusy() != -1 && WaitDataRequest() &&
           PioReadSectorAux() && ReadErrorRegister() == 0;
}

bool AtaPio::WriteSector(uint64_t lba)
{
    if (p_.state.access_mode == AccessMode::Api)
        return ApiSectorTransfer(lba, p_.state.SectorBuffer.Bytes(), p_.state.SectorBuffer.Size(), true);
    if (WaitNotBusy() == -1) return false;
    if (!IssueBlockCommand(1, 0x30, lba)) return false;
    // Success needs the data phase and the verify behind it: loading the
    // registers alone says nothing about whether the drive took the sector.
    const bool written = WaitNotBusy() != -1 && WaitDataRequest() && PioWriteSector();
    bool verified = IssueBlockCommand(1, 0x40, lba) && WaitNotBusy() != -1;
    verified = verified && (p_.platform.ports.InByte(p_.state.StatusPort) & ata_bits::kErr) == 0;
    return written && verified;
}

void AtaPio::SoftReset()
{
    if (p_.state.access_mode != AccessMode::Pio) return;
    PortBus& ports = p_.platform.ports;
    ports.OutByte(p_.state.AltPort, ata_bits::kSrst);
    p_.platform.clock.SleepMs(1);
    ports.OutByte(p_.state.AltPort, 0x00);
}

std::string AtaPio::DescribeAtaError(uint8_t code)
{
    switch (code) {
    case 0x00: return " Timeout";
    case 0x01: return " Error: AMNF";
    case 0x02: return " Error: T0NF";
    case 0x04: return " Error: ABRT";
    case 0x10: return " Error: IDNF";
    case 0x32: return " Error: Request not supported";
    case 0x40: return " Error: UNCR";
    case 0x48: return " Error: Write protect";
    case 0x49: return " - 48 bit addresing error";
    case 0x80: return " Error: BBK";
    case 0xFF: return " - Unknown error";
    default: {
        char text[16];
        std::snprintf(text, sizeof text, " Error #%02X", code);
        return text;
    }
    }
}

// ---------------------------------------------------------------------------
// API mode

bool AtaPio::ApiSectorTransfer(uint64_t lba, uint8_t* buffer, size_t buffer_size, bool write)
{
    SharedState& st = p_.state;
    const uint32_t sector_size = st.passport.SectorSize == 0 ? 512 : st.passport.SectorSize;
    // A sector larger than the program's buffer is read through the API
    // buffer and cut to fit; it is never written from a partial buffer.
    const bool fits = sector_size <= buffer_size;
    if (!fits && (write || sector_size > SharedState::kApiBufferSize)) return false;
    std::unique_ptr<OsDevice> device = p_.api.OpenApiDevice(st.ApiDeviceIndex, st.ApiDriveLetter);
    if (!device) return false;
    uint32_t done = 0;
    if (write) {
        done = p_.api.ApiWriteSectors(device.get(), 1, buffer, sector_size, lba);
    } else if (fits) {
        done = p_.api.ApiReadSectors(device.get(), 1, buffer, sector_size, lba);
    } else {
        done = p_.api.ApiReadSectors(device.get(), 1, st.ApiBuffer.get(), sector_size, lba);
        std::lock_guard buffer_lock(st.BufferLock);
        std::memcpy(buffer, st.ApiBuffer.get(), buffer_size);
    }
    device.reset();
    return done == sector_size;
}

// ---------------------------------------------------------------------------
// Settings of the protocol

void AtaPio::ComputeAtaTimeouts()
{
    SharedState& st = p_.state;
    TFm& fm = p_.fm;
    st.UseCpuCounter = fm.AtaTimerRg.ItemIndex() == 0;
    const uint64_t ticks = std::max<uint32_t>(st.TicksPerUnit, 1);
    // Slider values in 100 µs units, then in the units of the selected timer.
    auto convert = [&](uint64_t units) { return st.UseCpuCounter ? units * ticks : units / 10; };
    st.BusyTimeout = convert(static_cast<uint64_t>(fm.BusyTrk.Position()) * 10000);
    st.DrqTimeout = convert(static_cast<uint64_t>(fm.DrqTrk.Position()) * 10 * 10);
    st.ReadyTimeout = convert(static_cast<uint64_t>(fm.RdyTrk.Position()) * 10000);
    fm.BusyValLab.SetCaption(std::to_string(fm.BusyTrk.Position()) + " s");
    fm.DrqValLab.SetCaption(std::to_string(fm.DrqTrk.Position() * 10) + "ms");
    fm.RdyValLab.SetCaption(std::to_string(fm.RdyTrk.Position()) + " s");
}

void AtaPio::Apply48BitBox()
{
    SharedState& st = p_.state;
    const bool quiet = p_.creating;
    if (p_.fm.biglbaChk.Checked() || st.access_mode == AccessMode::Api) {
        st.Use48Bit = true;
        if (!quiet) p_.LogLine("48bit access enabled", false, 1);
    } else {
        st.Use48Bit = false;
        if (!quiet) {
            if (st.passport.LbaCount < 0x10000000) {
                p_.LogLine("48bit access disabled", false, 1);
            } else {
                p_.LogLine("[Warning!] Max LBA adres=" + std::to_string(st.passport.LbaCount) +
                               ", but 48bit access disabled!?",
                           false, 4);
                p_.ops.SpeakerTone(500, 200);
            }
        }
    }
    if (!quiet && OnAddressModeChanged) OnAddressModeChanged();
}

} // namespace mrv
