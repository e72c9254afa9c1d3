#include "access/ata_pio.h"

#include "app/program_impl.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

namespace mrv
{

AtaPio::AtaPio(ProgramImpl& program)
    : TaskFile(program.platform.ports, program.platform.clock, program.state, program.drive_host), p_(program)
{
    TFm& fm = p_.fm;
    fm.BusyTrk.OnChange = [this] { ComputeAtaTimeouts(); };
    fm.DrqTrk.OnChange = [this] { ComputeAtaTimeouts(); };
    fm.RdyTrk.OnChange = [this] { ComputeAtaTimeouts(); };
    fm.AtaTimerRg.OnClick = [this] { ComputeAtaTimeouts(); };
    fm.biglbaChk.OnClick = [this] { Apply48BitBox(); };
    // Workers read the protocol options through the drive state, never the
    // boxes themselves.
    fm.EnaBrkInCyclChk.OnClick = [this] { p_.state.BreakLoops = p_.fm.EnaBrkInCyclChk.Checked(); };
    fm.DrdyChk.OnClick = [this] { p_.state.SkipReadyCheck = p_.fm.DrdyChk.Checked(); };
    fm.dontgetdpchk.OnClick = [this] { p_.state.SkipDriveType = p_.fm.dontgetdpchk.Checked(); };
    p_.steps.InitialSelectDevice = [this] {
        p_.platform.ports.OutByte(Base(6), 0xA0);
        SelectDevice();
    };
    p_.steps.ComputeAtaTimeouts = [this] { ComputeAtaTimeouts(); };
}

bool AtaPio::PortsUsable() const
{
    return p_.state.PortsUsable();
}

bool AtaPio::IssueBlockCommand(uint32_t count, uint8_t command, uint64_t lba)
{
    if (p_.state.access_mode == AccessMode::Pio) return LoadBlockCommand(count, command, lba);
    return p_.api.IssueBlockCommand(count, command, lba);
}

bool AtaPio::IssueBlockCommand(OsDevice* device, uint32_t count, uint8_t command, uint64_t lba)
{
    if (p_.state.access_mode == AccessMode::Api)
        return device != nullptr && p_.api.IssueBlockCommand(device, count, command, lba);
    return LoadBlockCommand(count, command, lba);
}

bool AtaPio::AwaitDriveReady()
{
    SharedState& st = p_.state;
    auto refresh_leds = [this] {
        if (p_.ui.IsUiThread()) p_.monitor.RefreshStatusLeds();
    };
    refresh_leds();
    if (st.SkipReadyCheck) return true;
    p_.LogLine("Waiting of readiness...", kNewLine, kLogInfo);
    SelectDevice();
    const uint64_t deadline = Now() + st.ReadyTimeout;
    for (;;) {
        host_.Pump();
        uint8_t status = p_.platform.ports.InByte(st.StatusPort);
        // BSY 0, DRDY 1, DF 0, DSC 1, DRQ 0.
        bool ready = (status & 0xD8) == 0x50;
        refresh_leds();
        if (ready) break;
        if (Now() > deadline || st.AppClosing) {
            p_.LogLine("Waiting of readiness... Drive not ready!", kReplaceLast, kLogError);
            if (WaitDataRequest() && !IsDriveBusy())
                p_.LogLine("[ATA protocol] DRQ!!! Press RESET or restart HDD!", kNewLine, kLogError);
            p_.ops.SpeakerTone(500, 200);
            return false;
        }
    }
    if (!ProbeChannel()) return false;
    p_.LogLine("Waiting of readiness... Drive is ready", kReplaceLast, kLogInfo);
    return true;
}

// ---------------------------------------------------------------------------
// One-sector operations

bool AtaPio::PioSectorIn(uint8_t* buffer)
{
    // The block is stored under the buffer lock, so that the buffer viewer
    // never copies half a transfer.
    std::array<uint8_t, 512> block{};
    ReadDataBlock(block.data());
    {
        std::lock_guard buffer_lock(p_.state.BufferLock);
        std::memcpy(buffer, block.data(), block.size());
    }
    if (WaitNotBusy() == -1) return false;
    return ReadErrorRegister() == 0;
}

bool AtaPio::PioReadSector()
{
    return PioSectorIn(p_.state.SectorBuffer.Bytes());
}

bool AtaPio::PioReadSectorAux()
{
    return PioSectorIn(p_.state.AuxSectorBuffer.Bytes());
}

bool AtaPio::PioWriteSector()
{
    WriteDataBlock(p_.state.SectorBuffer.Bytes());
    if (WaitNotBusy() == -1) return false;
    return ReadErrorRegister() == 0;
}

bool AtaPio::ReadSector(uint64_t lba)
{
    if (p_.state.access_mode == AccessMode::Api)
        return ApiSectorTransfer(lba, p_.state.SectorBuffer.Bytes(), p_.state.SectorBuffer.Size(), false);
    return WaitNotBusy() != -1 && IssueBlockCommand(1, 0x20, lba) && WaitNotBusy() != -1 &&
           WaitDataRequest() && PioReadSector() && ReadErrorRegister() == 0;
}

bool AtaPio::ReadSectorAux(uint64_t lba)
{
    if (p_.state.access_mode == AccessMode::Api)
        return ApiSectorTransfer(lba, p_.state.AuxSectorBuffer.Bytes(), p_.state.AuxSectorBuffer.Size(),
                                 false);
    return WaitNotBusy() != -1 && IssueBlockCommand(1, 0x20, lba) && WaitNotBusy() != -1 &&
           WaitDataRequest() && PioReadSectorAux() && ReadErrorRegister() == 0;
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
    // A read fills the buffers under the buffer lock (see the buffer viewer).
    std::unique_lock buffer_lock(st.BufferLock, std::defer_lock);
    if (!write) buffer_lock.lock();
    if (write) {
        done = p_.api.ApiWriteSectors(device.get(), 1, buffer, sector_size, lba);
    } else if (fits) {
        done = p_.api.ApiReadSectors(device.get(), 1, buffer, sector_size, lba);
    } else {
        done = p_.api.ApiReadSectors(device.get(), 1, st.ApiBuffer.get(), sector_size, lba);
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
        if (!quiet) p_.LogLine("48bit access enabled", kNewLine, kLogInfo);
    } else {
        st.Use48Bit = false;
        if (!quiet) {
            if (st.passport.LbaCount < 0x10000000) {
                p_.LogLine("48bit access disabled", kNewLine, kLogInfo);
            } else {
                p_.LogLine("[Warning!] Max LBA adres=" + std::to_string(st.passport.LbaCount) +
                               ", but 48bit access disabled!?",
                           kNewLine, kLogError);
                p_.ops.SpeakerTone(500, 200);
            }
        }
    }
    if (!quiet && OnAddressModeChanged) OnAddressModeChanged();
}

} // namespace mrv
