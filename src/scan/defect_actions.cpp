#include "scan/defect_actions.h"

#include "app/program_impl.h"
#include "scan/scan_engine.h"
#include "scan/scan_walk.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <optional>

namespace mrv
{

namespace
{

constexpr uint8_t kReadSectors = 0x20;
constexpr uint8_t kWriteSectors = 0x30;
constexpr uint8_t kReadVerify = 0x40;
constexpr uint8_t kReadLong = 0x23;
constexpr uint8_t kWriteLong = 0x32;
/// The error register's ABRT bit, for a command that could not be issued.
constexpr uint8_t kAborted = 0x04;
/// 512 data bytes and 8 check bytes.
constexpr size_t kLongWords = 260;
/// A long write waits at most this many 100 µs steps for a read.
constexpr uint32_t kLongWriteBusySteps = 2000;

std::string Range(uint64_t first, uint32_t count)
{
    return std::to_string(first) + ".." + std::to_string(first + count - 1);
}

} // namespace

DefectActions::DefectActions(ProgramImpl& program, ScanState& state, ScanPresentation*& presentation)
    : p_(program), s_(state), presentation_(presentation)
{
}

bool DefectActions::Api() const
{
    return p_.state.access_mode == AccessMode::Api;
}

bool DefectActions::ReadyOrReset()
{
    AtaPio& pio = p_.pio;
    if (pio.WaitNotBusy() != -1) return true;
    pio.SoftReset();
    return pio.WaitNotBusy() != -1;
}

bool DefectActions::PioStatusError() const
{
    return (p_.platform.ports.InByte(p_.state.StatusPort) & ata_bits::kErr) != 0;
}

void DefectActions::Log(const std::string& text, bool replace, int level)
{
    p_.LogLine(text, replace, level);
}

bool DefectActions::Step(uint32_t index, uint64_t lba)
{
    p_.ui.ProcessMessages();
    p_.fm.DftMeter.SetPosition(static_cast<int>(std::min<uint32_t>(index, 65535)));
    p_.fm.LbaOut.SetCaption(std::to_string(lba));
    return !(p_.state.BreakRequested && s_.BreakInLoops);
}

void DefectActions::EndMeter()
{
    p_.fm.DftMeter.SetPosition(0);
}

void DefectActions::ResumeAfter(uint64_t found, const BlockResult& block)
{
    s_.LayoutLost = true;
    presentation_->SetLayoutLost();
    ResumeAfterSector(s_, found, block.lba, block.block_size);
}

void DefectActions::Run(BlockResult& block, DefectAction action)
{
    p_.fm.DftMeter.SetMax(static_cast<int>(std::max<uint32_t>(block.block_size, 1)));
    if (s_.DefectoscopeMode) {
        if (!Api()) Defectoscope(block);
        EndMeter();
        return;
    }
    switch (action) {
    case DefectAction::Ignore:
        break;
    case DefectAction::Remap:
        Remap(block);
        break;
    case DefectAction::Erase:
        Erase(block);
        break;
    case DefectAction::Restore:
        if (Api())
            RestoreApi(block);
        else if (block.lba < kMaxLba28)
            RestorePio(block);
        break;
    }
    EndMeter();
}

// ---- Sector search ---------------------------------------------------------

uint64_t DefectActions::NowUnits() const
{
    const SharedState& st = p_.state;
    if (st.UseCpuCounter) return p_.platform.clock.ReadTsc() / std::max<uint32_t>(st.TicksPerUnit, 1);
    return p_.platform.clock.TickCountMs() * 10;
}

int64_t DefectActions::SearchRead(uint64_t lba, uint8_t& error)
{
    AtaPio& pio = p_.pio;
    error = 0;
    if (!pio.IssueBlockCommand(1, kReadSectors, lba)) {
        error = kAborted;
        return 0;
    }
    const uint64_t start = NowUnits();
    if (pio.WaitNotBusy() == -1) {
        pio.SoftReset();
        return -1;
    }
    const auto t = static_cast<int64_t>(NowUnits() - start);
    // The error register is read before a reset would replace it with the
    // diagnostic code.
    if (PioStatusError()) {
        error = pio.ReadErrorRegister();
        if (error == 0) error = kAborted;
    }
    if (error == 0 && pio.WaitDataRequest()) {
        if (!pio.PioReadSector()) error = pio.ReadErrorRegister();
    } else {
        pio.SoftReset();
    }
    return t;
}

void DefectActions::Defectoscope(BlockResult& block)
{
    AtaPio& pio = p_.pio;
    s_.LayoutLost = true;
    presentation_->SetLayoutLost();
    const int32_t timeout = s_.TimeoutSetting;
    for (uint32_t i = 0; i < block.block_size; ++i) {
        const uint64_t lba = block.lba + i;
        if (!Step(i, lba)) return;
        if (!ReadyOrReset()) {
            // The block's own command left the drive busy (the scan does not
            // reset it in this mode) and a reset did not help: the block fails
            // as a time-out rather than passing unsearched.
            Log("Block " + std::to_string(block.lba) + TaskFile::DescribeAtaError(0), false, 4);
            block.mark = 'T';
            presentation_->CountFailedBlock(block);
            return;
        }
        uint8_t error = 0;
        const int64_t t = SearchRead(lba, error);
        const bool slow = timeout >= 1 && t > timeout / 2;
        if (t != -1 && !slow && error == 0) continue;
        if (error != 0) {
            Log("Sector " + std::to_string(lba) + ":" + TaskFile::DescribeAtaError(error), false, 4);
        } else {
            // A sector that never ended is reported with the busy limit it exceeded.
            const int64_t shown = t == -1 ? int64_t{p_.fm.BusyTrk.Position()} * 1000 : t;
            Log("Sector " + std::to_string(lba) + ": timeout " + std::to_string(shown) + " ms", false, 4);
        }
        pio.WaitNotBusy();
        block.mark = 'N';
        presentation_->CountFailedBlock(block);
        ResumeAfter(lba, block);
        p_.ops.SleepWithMessages(700);
        pio.WaitNotBusy();
        return;
    }
}

// ---- Remap -----------------------------------------------------------------

void DefectActions::Remap(BlockResult& block)
{
    AtaPio& pio = p_.pio;
    SharedState& st = p_.state;
    s_.LayoutLost = true;
    presentation_->SetLayoutLost();
    for (uint32_t i = 0; i < block.block_size; ++i) {
        const uint64_t lba = block.lba + i;
        if (!Step(i, lba)) return;
        if (pio.ReadSector(lba)) continue;
        const std::string line = "LBA " + std::to_string(lba) + " try REMAR...";
        Log(line, true, 0);
        block.mark = 'R';
        {
            std::lock_guard lock(st.BufferLock);
            st.SectorBuffer.Clear();
            uint8_t* bytes = st.SectorBuffer.Bytes();
            for (size_t at = 0; at < 512; at += 8)
                std::memcpy(bytes + at, kRemapPattern, 8);
        }
        if (pio.WriteSector(lba))
            Log("LBA " + std::to_string(lba) + " try REMAP... complete", true, 3);
        else
            Log("LBA " + std::to_string(lba) + " try REMAP... Error", true, 4);
        ResumeAfter(lba, block);
        return;
    }
}

// ---- Erase -----------------------------------------------------------------

void DefectActions::Erase(BlockResult& block)
{
    AtaPio& pio = p_.pio;
    SharedState& st = p_.state;
    const bool api = Api();
    // A write the drive refused fails the erase even when the verify passes:
    // some devices verify without reading the medium.
    bool written = true;
    for (uint32_t i = 0; i < block.block_size; ++i) {
        const uint64_t lba = block.lba + i;
        if (!Step(i, lba)) break;
        {
            std::lock_guard lock(st.BufferLock);
            st.SectorBuffer.Clear();
        }
        if (api) {
            written = pio.WriteSector(lba) && written;
        } else if (!ReadyOrReset()) {
            // A drive that stays busy takes no more sectors.
            written = false;
            break;
        } else if (pio.IssueBlockCommand(1, kWriteSectors, lba)) {
            if (pio.WaitNotBusy() != -1 && pio.WaitDataRequest()) pio.PioWriteSector();
            written = pio.WaitNotBusy() != -1 && !PioStatusError() && written;
        } else {
            written = false;
        }
        block.mark = 'W';
    }
    bool ok;
    if (api) {
        ok = pio.IssueBlockCommand(block.block_size, kReadVerify, block.lba);
    } else {
        ok = pio.WaitNotBusy() != -1 && pio.IssueBlockCommand(block.block_size, kReadVerify, block.lba) &&
             pio.WaitNotBusy() != -1 && !PioStatusError();
    }
    ok = ok && written;
    const std::string line = "Block " + std::to_string(block.lba) + " try Erase " +
                             std::to_string(block.block_size) + " sectors(" +
                             Range(block.lba, block.block_size) + ")... ";
    if (ok) {
        Log(line + "complete", true, 1);
    } else {
        block.mark = 'x';
        Log(line + "Fail", true, 4);
    }
}

// ---- Restore ---------------------------------------------------------------

bool DefectActions::RewriteFromLongRead(uint64_t lba)
{
    AtaPio& pio = p_.pio;
    SharedState& st = p_.state;
    PortBus& ports = p_.platform.ports;
    if (lba > kMaxLba28 || pio.WaitNotBusy() == -1) return false;
    pio.LoadTaskFile(AtaCommand::Lba28(1, kReadLong, lba));
    if (pio.WaitNotBusy() == -1) {
        pio.SoftReset();
        return false;
    }
    // Only data the drive delivered in long mode is written back: a refused
    // or failed long read leaves the sector as it is.
    if (PioStatusError() || !pio.WaitDataRequest()) return false;
    std::array<uint16_t, kLongWords> words{};
    ports.InWords(st.BasePort, words.data(), words.size());
    if (pio.WaitNotBusy() == -1 || PioStatusError()) return false;
    {
        std::lock_guard lock(st.BufferLock);
        for (size_t w = 0; w < kLongWords; ++w)
            st.SectorBuffer.SetWord(w, words[w]);
    }
    if (!pio.IssueBlockCommand(1, kWriteSectors, lba)) return false;
    if (pio.WaitNotBusy() == -1 || !pio.WaitDataRequest()) return false;
    return pio.PioWriteSector();
}

void DefectActions::RestorePio(BlockResult& block)
{
    AtaPio& pio = p_.pio;
    s_.LayoutLost = true;
    presentation_->SetLayoutLost();
    const int32_t timeout = s_.TimeoutSetting;
    std::optional<uint64_t> found;
    for (uint32_t i = 0; i < block.block_size && !found; ++i) {
        const uint64_t lba = block.lba + i;
        if (!Step(i, lba)) return;
        if (pio.WaitNotBusy() == -1) return;
        uint8_t error = 0;
        const int64_t t = SearchRead(lba, error);
        const bool late = timeout >= 1 && t > int64_t{timeout} * 10;
        if (t == -1 || late || error != 0) found = lba;
    }
    if (!found) return;
    const uint64_t sector = *found;
    pio.SoftReset();
    if (pio.WaitNotBusy() == -1 || !pio.IsDriveReady()) {
        block.mark = 'T';
        Log("[ Hint ] Try increase timeout of BUSY on 'Setup' page", true, 4);
        ResumeAfter(sector, block);
        return;
    }
    const uint32_t count = static_cast<uint32_t>(std::max(p_.fm.ReadLongCountEdit.Value(), 1));
    const std::string line =
        "LBA " + std::to_string(sector) + " try Read-long " + std::to_string(count) + " sectors...";
    block.mark = 'L';
    Log(line, true, 4);
    // Sectors past the drive's end are not there to restore.
    const int64_t lba_count = p_.state.passport.LbaCount;
    const uint64_t end = lba_count > 0 ? static_cast<uint64_t>(lba_count) : sector + count;
    bool all = true;
    for (uint32_t k = 0; k < count && sector + k < end; ++k) {
        if (!Step(k, sector + k)) {
            all = false;
            break;
        }
        if (!RewriteFromLongRead(sector + k)) all = false;
    }
    if (all) {
        Log(line + " OK", true, 3);
    } else {
        block.mark = 'x';
        Log(line + " Error", true, 4);
    }
    ResumeAfter(sector, block);
}

void DefectActions::RestoreApi(BlockResult& block)
{
    SharedState& st = p_.state;
    const std::string line = "Block " + std::to_string(block.lba) + " try RESTORE...";
    Log(line, false, 4);
    const uint32_t sector = st.passport.SectorSize ? st.passport.SectorSize : 512;
    const uint64_t bytes = uint64_t{block.block_size} * sector;
    bool ok = false;
    if (std::unique_ptr<OsDevice> device = p_.api.OpenCurrentDevice()) {
        AlignedBuffer compare(bytes);
        ok = p_.api.ApiReadSectors(device.get(), block.block_size, compare.Data(), sector, block.lba) ==
                 bytes &&
             p_.api.ApiWriteSectors(device.get(), block.block_size, compare.Data(), sector, block.lba) ==
                 bytes;
    }
    if (ok) {
        block.mark = '+';
        Log(line + " OK", true, 3);
    } else {
        block.mark = 'x';
        Log(line + " Fail", true, 4);
    }
}

// ---- Long writing ----------------------------------------------------------

bool DefectActions::LongWriteBlock(uint64_t lba, uint32_t count)
{
    AtaPio& pio = p_.pio;
    SharedState& st = p_.state;
    PortBus& ports = p_.platform.ports;
    Clock& clock = p_.platform.clock;
    const uint64_t unit = std::max<uint32_t>(st.TicksPerUnit, 1);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t sector = lba + i;
        long_write_index_ = i;
        long_write_lba_ = sector;
        long_write_shown_ = false;
        if (st.BreakRequested) return false;
        std::array<uint16_t, kLongWords> words{};
        if (pio.WaitNotBusy() == -1) return false;
        if (sector > kMaxLba28 || !pio.IssueBlockCommand(1, kReadSectors, sector)) return false;
        for (uint32_t steps = 0; pio.IsDriveBusy(); ++steps) {
            if (steps > kLongWriteBusySteps) {
                pio.SoftReset();
                pio.WaitNotBusy();
                return false;
            }
            const uint64_t pass = clock.ReadTsc();
            while (clock.ReadTsc() - pass < unit) {
            }
        }
        if (PioStatusError() || !pio.WaitDataRequest()) return false;
        std::array<uint8_t, 512> data{};
        pio.ReadDataBlock(data.data());
        if (pio.WaitNotBusy() == -1) return false;
        pio.LoadTaskFile(AtaCommand::Lba28(1, kWriteLong, sector));
        if (pio.WaitNotBusy() != -1 && pio.WaitDataRequest())
            ports.OutWords(st.BasePort, words.data(), words.size());
        if (pio.WaitNotBusy() == -1) return false;
        // A drive that refuses the long write has not written the sector.
        if (PioStatusError()) return false;
    }
    return true;
}

void DefectActions::ShowLongWriteSector()
{
    if (long_write_shown_.exchange(true)) return;
    p_.fm.DftMeter.SetMax(static_cast<int>(std::max<uint32_t>(s_.BlockSize, 1)));
    p_.fm.DftMeter.SetPosition(static_cast<int>(long_write_index_.load()));
    p_.fm.LbaOut.SetCaption(std::to_string(long_write_lba_.load()));
}

} // namespace mrv
