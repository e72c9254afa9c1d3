#include "drive/task_file.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace mrv
{

namespace
{

constexpr int kData = 0, kError = 1, kCount = 2, kLbaLow = 3, kLbaMid = 4, kLbaHigh = 5, kDevice = 6,
              kStatus = 7;
constexpr size_t kSectorWords = 256;
constexpr size_t kSectorDwords = 128;
constexpr const char* kNoPortAccess = "PIO: the I/O ports are not granted";

} // namespace

TaskFile::TaskFile(PortBus& ports, Clock& clock, DriveState& state, const DriveHost& host)
    : ports_(ports), clock_(clock), state_(state), host_(host)
{
}

uint16_t TaskFile::Base(int offset) const
{
    return static_cast<uint16_t>(state_.BasePort + offset);
}

uint64_t TaskFile::Now() const
{
    return state_.UseCpuCounter ? clock_.ReadTsc() : clock_.TickCountMs();
}

// ---------------------------------------------------------------------------
// Registers

void TaskFile::SelectDevice()
{
    uint8_t device = ports_.InByte(Base(kDevice));
    ports_.OutByte(Base(kDevice), static_cast<uint8_t>((device & ~0x10) | state_.DeviceSelectBit));
}

void TaskFile::LoadTaskFile(const AtaCommand& command)
{
    const AtaRegisters& r = command.in;
    ports_.OutByte(Base(kDevice), static_cast<uint8_t>((r.device & ~0x10) | state_.DeviceSelectBit));
    auto load = [&](int shift) {
        ports_.OutByte(Base(kError), static_cast<uint8_t>(r.features >> shift));
        ports_.OutByte(Base(kCount), static_cast<uint8_t>(r.count >> shift));
        ports_.OutByte(Base(kLbaLow), static_cast<uint8_t>(r.lba_low >> shift));
        ports_.OutByte(Base(kLbaMid), static_cast<uint8_t>(r.lba_mid >> shift));
        ports_.OutByte(Base(kLbaHigh), static_cast<uint8_t>(r.lba_high >> shift));
    };
    // The registers are two-byte FIFOs in 48-bit mode: the previous byte goes first.
    if (command.ext) load(8);
    load(0);
    ports_.OutByte(Base(kStatus), r.command);
}

uint64_t TaskFile::ReadLbaRegisters(bool ext, uint16_t* count)
{
    uint64_t value = ports_.InByte(Base(kCount));
    uint64_t low = ports_.InByte(Base(kLbaLow));
    uint64_t mid = ports_.InByte(Base(kLbaMid));
    uint64_t high = ports_.InByte(Base(kLbaHigh));
    if (!ext) {
        if (count) *count = static_cast<uint16_t>(value);
        return static_cast<uint64_t>(ports_.InByte(Base(kDevice)) & 0x0F) << 24 | high << 16 | mid << 8 | low;
    }
    // The previous bytes show while HOB is set in the device control register.
    ports_.OutByte(state_.AltPort, ata_bits::kHob);
    uint64_t value_prev = ports_.InByte(Base(kCount));
    uint64_t low_prev = ports_.InByte(Base(kLbaLow));
    uint64_t mid_prev = ports_.InByte(Base(kLbaMid));
    uint64_t high_prev = ports_.InByte(Base(kLbaHigh));
    ports_.OutByte(state_.AltPort, 0x00);
    if (count) *count = static_cast<uint16_t>(value_prev << 8 | value);
    return high_prev << 40 | mid_prev << 32 | low_prev << 24 | high << 16 | mid << 8 | low;
}

AtaResult TaskFile::ReadOutputRegisters(bool ext)
{
    AtaResult out;
    out.registers_valid = true;
    out.status = ports_.InByte(Base(kStatus));
    out.error = ports_.InByte(Base(kError));
    out.device = ports_.InByte(Base(kDevice));
    out.lba = ReadLbaRegisters(ext, &out.count);
    out.ok = (out.status & (ata_bits::kErr | ata_bits::kDf)) == 0;
    return out;
}

bool TaskFile::LoadBlockCommand(uint32_t count, uint8_t command, uint64_t lba)
{
    if (state_.Use48Bit) {
        LoadTaskFile(AtaCommand::Lba48(static_cast<uint16_t>(count), ExtendedBlockCommand(command), lba));
        return true;
    }
    if (lba > kMaxLba28) {
        // Left to the caller to tell the user about 48-bit addressing.
        clock_.SleepMs(500);
        state_.LbaOutOfRange = true;
        return false;
    }
    LoadTaskFile(AtaCommand::Lba28(static_cast<uint8_t>(count), command, lba));
    return true;
}

uint64_t TaskFile::ReadTaskFileLba()
{
    return ReadLbaRegisters(state_.Use48Bit, nullptr);
}

// ---------------------------------------------------------------------------
// Status

int64_t TaskFile::WaitNotBusy()
{
    const uint64_t start = Now();
    const uint64_t deadline = start + state_.BusyTimeout;
    uint64_t now = start;
    while (now < deadline) {
        if (state_.AppClosing) return 1;
        if ((ports_.InByte(state_.StatusPort) & ata_bits::kBsy) == 0)
            return static_cast<int64_t>((now - start) / std::max<uint32_t>(state_.TicksPerUnit, 1));
        host_.Pump();
        now = Now();
    }
    return -1;
}

bool TaskFile::WaitDataRequest()
{
    const uint64_t deadline = Now() + state_.DrqTimeout;
    // DRQ is read from the status register itself even when status is polled
    // at the alternate port; no message processing here, for the scan's timing.
    while (Now() < deadline) {
        if (ports_.InByte(Base(kStatus)) & ata_bits::kDrq) return true;
        if (state_.AppClosing) return false;
    }
    return false;
}

bool TaskFile::WaitDriveReady(uint32_t ms)
{
    const uint64_t span = state_.UseCpuCounter ? static_cast<uint64_t>(ms) * state_.TicksPerMs : ms;
    const uint64_t deadline = Now() + span;
    for (;;) {
        uint8_t status = ports_.InByte(state_.StatusPort);
        if ((status & ata_bits::kBsy) == 0 && (status & ata_bits::kDrdy) != 0) return true;
        host_.Pump();
        if (state_.BreakLoops && state_.BreakRequested) return false;
        if (state_.AppClosing) return false;
        if (ms != 0 && Now() > deadline) return false;
    }
}

uint8_t TaskFile::ReadErrorRegister()
{
    SelectDevice();
    if (ports_.InByte(state_.StatusPort) & ata_bits::kErr) return ports_.InByte(Base(kError));
    return 0;
}

bool TaskFile::IsDriveReady()
{
    uint8_t status = ports_.InByte(state_.StatusPort);
    return (status & (ata_bits::kBsy | ata_bits::kDrdy | ata_bits::kDsc)) ==
           (ata_bits::kDrdy | ata_bits::kDsc);
}

bool TaskFile::IsDriveBusy()
{
    return (ports_.InByte(state_.StatusPort) & ata_bits::kBsy) != 0;
}

bool TaskFile::IsDriveFaulted()
{
    uint8_t status = ports_.InByte(state_.StatusPort);
    constexpr uint8_t mask = ata_bits::kBsy | ata_bits::kDrdy | ata_bits::kDsc | ata_bits::kDf;
    return (status & mask) != (ata_bits::kDrdy | ata_bits::kDsc);
}

bool TaskFile::ProbeChannel()
{
    if (state_.SkipReadyCheck) return true;
    ports_.OutByte(Base(kCount), 0x55);
    clock_.SleepMs(3);
    bool first = ports_.InByte(Base(kCount)) == 0x55;
    clock_.SleepMs(4);
    ports_.OutByte(Base(kLbaLow), 0xAA);
    clock_.SleepMs(5);
    bool second = ports_.InByte(Base(kLbaLow)) == 0xAA;
    return first && second;
}

// ---------------------------------------------------------------------------
// Whole commands

AtaResult TaskFile::Execute(const AtaCommand& command)
{
    AtaResult timed_out;
    timed_out.timed_out = true;
    if (!state_.PortsUsable()) return AtaResult::Refused(kNoPortAccess);
    if (WaitNotBusy() == -1) return timed_out;
    LoadTaskFile(command);
    uint32_t transferred = 0;
    if (command.protocol != AtaProtocol::NonData) {
        std::array<uint8_t, 512> scratch{};
        const uint32_t sectors = command.Sectors();
        for (uint32_t i = 0; i < sectors; ++i) {
            if (WaitNotBusy() == -1) return timed_out;
            // A drive that ends the command early (ERR) gives no DRQ.
            if (!WaitDataRequest()) break;
            const size_t offset = static_cast<size_t>(i) * 512;
            const bool room = command.data != nullptr && offset + 512 <= command.data_length;
            uint8_t* block = room ? command.data + offset : scratch.data();
            if (command.protocol == AtaProtocol::PioIn) {
                ReadDataBlock(block);
            } else {
                if (!room) scratch.fill(0);
                WriteDataBlock(block);
            }
            if (room) transferred += 512;
        }
    }
    if (WaitNotBusy() == -1) return timed_out;
    AtaResult result = ReadOutputRegisters(command.ext);
    result.transferred = transferred;
    return result;
}

AtaResult TaskFile::AtaNonDataCommand(const AtaRegisters& registers)
{
    return Execute(AtaCommand::NonData(registers));
}

// ---------------------------------------------------------------------------
// Data phase

void TaskFile::ReadDataBlock(uint8_t* bytes)
{
    ActiveFlag active(state_.PioReadActive);
    std::array<uint16_t, kSectorWords> words{};
    ports_.InWords(Base(kData), words.data(), kSectorWords);
    for (size_t w = 0; w < kSectorWords; ++w) {
        bytes[w * 2] = static_cast<uint8_t>(words[w]);
        bytes[w * 2 + 1] = static_cast<uint8_t>(words[w] >> 8);
    }
}

void TaskFile::WriteDataBlock(const uint8_t* bytes)
{
    std::array<uint16_t, kSectorWords> words{};
    for (size_t w = 0; w < kSectorWords; ++w)
        words[w] = static_cast<uint16_t>(bytes[w * 2] | bytes[w * 2 + 1] << 8);
    ActiveFlag active(state_.PioWriteActive);
    ports_.OutWords(Base(kData), words.data(), kSectorWords);
}

void TaskFile::ReadDataBlock32(uint8_t* bytes)
{
    ActiveFlag active(state_.PioReadActive);
    std::array<uint32_t, kSectorDwords> dwords{};
    ports_.InDwords(Base(kData), dwords.data(), kSectorDwords);
    for (size_t i = 0; i < kSectorDwords; ++i)
        for (int b = 0; b < 4; ++b)
            bytes[i * 4 + b] = static_cast<uint8_t>(dwords[i] >> (8 * b));
}

void TaskFile::WriteDataBlock32(const uint8_t* bytes)
{
    std::array<uint32_t, kSectorDwords> dwords{};
    for (size_t i = 0; i < kSectorDwords; ++i)
        for (int b = 0; b < 4; ++b)
            dwords[i] |= static_cast<uint32_t>(bytes[i * 4 + b]) << (8 * b);
    ActiveFlag active(state_.PioWriteActive);
    ports_.OutDwords(Base(kData), dwords.data(), kSectorDwords);
}

void TaskFile::SoftReset()
{
    if (state_.access_mode != AccessMode::Pio) return;
    ports_.OutByte(state_.AltPort, ata_bits::kSrst);
    clock_.SleepMs(1);
    ports_.OutByte(state_.AltPort, 0x00);
}

// ---------------------------------------------------------------------------
// Error texts

std::string TaskFile::DescribeAtaError(uint8_t code)
{
    switch (code) {
    case 0x00:
        return " Timeout";
    case 0x01:
        return " Error: AMNF";
    case 0x02:
        return " Error: T0NF";
    case 0x04:
        return " Error: ABRT";
    case 0x10:
        return " Error: IDNF";
    case 0x32:
        return " Error: Request not supported";
    case 0x40:
        return " Error: UNCR";
    case 0x48:
        return " Error: Write protect";
    case 0x49:
        return " - 48 bit addresing error";
    case 0x80:
        return " Error: BBK";
    case 0xFF:
        return " - Unknown error";
    default: {
        char text[16];
        std::snprintf(text, sizeof text, " Error #%02X", code);
        return text;
    }
    }
}

uint8_t TaskFile::ErrorCodeOf(const AtaResult& result)
{
    if (result.timed_out || !result.registers_valid) return 0;
    return (result.status & ata_bits::kErr) != 0 ? result.error : 0;
}

} // namespace mrv
