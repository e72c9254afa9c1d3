// Commands that move the heads or the data: READ/WRITE/VERIFY SECTORS in 28- and
// 48-bit form, SEEK, RECALIBRATE, READ/WRITE LONG and the buffer commands.

#include "sim/ata_drive.h"

#include <algorithm>

namespace mrv::sim
{

namespace
{
constexpr uint64_t kMs = 1000000;
constexpr uint64_t kMax28 = 0x0FFFFFFF; // sectors reachable with 28-bit addresses
} // namespace

uint64_t AtaDrive::Limit(bool ext) const
{
    return ext ? current_max_ : std::min(current_max_, kMax28);
}

bool AtaDrive::AddressOf(bool ext, uint64_t& lba)
{
    if (ext) {
        lba = regs_.Lba48();
        return true;
    }
    if ((regs_.device & 0x40) != 0) {
        lba = regs_.Lba28();
        return true;
    }
    // CHS addressing with the default translation of IDENTIFY words 1, 3 and 6.
    uint16_t id[256];
    BuildIdentify(id);
    const uint64_t cyl = static_cast<uint64_t>(regs_.lba_high) << 8 | regs_.lba_mid;
    const uint64_t head = regs_.device & 0x0F;
    const uint64_t sector = regs_.lba_low;
    if (sector == 0 || sector > id[6] || head >= id[3] || cyl >= id[1]) return false;
    lba = (cyl * id[3] + head) * id[6] + sector - 1;
    return true;
}

bool AtaDrive::BeginIo(bool ext, bool transfer)
{
    io_ = Io{};
    io_.ext = ext;
    if (ext && !config_.lba48) {
        Abort();
        return false;
    }
    uint64_t lba = 0;
    if (!AddressOf(ext, lba)) {
        Abort(ata_error::kIdnf);
        return false;
    }
    const uint32_t count = ext ? regs_.Count48() : regs_.Count28();
    const uint64_t limit = Limit(ext);
    if (lba >= limit || count > limit - lba) {
        ErrorAt(std::max(lba, limit), ata_error::kIdnf);
        return false;
    }
    if (transfer && TakeInterfaceCrc()) return false;
    io_.lba = lba;
    io_.count = count;
    return true;
}

uint64_t AtaDrive::IoReady(uint32_t k) const
{
    return io_.timing.first_ready_ns + static_cast<uint64_t>(k) * io_.timing.per_sector_ns + io_.extra_ns;
}

// ---- READ SECTORS ----------------------------------------------------------

void AtaDrive::CmdReadSectors()
{
    if (BeginIo(false, true)) StartRead();
}

void AtaDrive::CmdReadSectorsExt()
{
    if (BeginIo(true, true)) StartRead();
}

void AtaDrive::StartRead()
{
    const uint64_t now = SpinReady(NowNs());
    io_.timing = mechanics_.Access(now, io_.lba, io_.count, AccessKind::Read, look_ahead_, write_cache_);
    Busy(IoReady(0), &AtaDrive::ReadSectorReady);
}

void AtaDrive::ReadSectorReady()
{
    const uint64_t lba = io_.lba + io_.k;
    if (!defects_.Empty()) {
        const SectorCondition c = defects_.Condition(lba);
        if (c.stuck) {
            StuckBusy();
            return;
        }
        if (!io_.delayed && (c.unreadable || c.delay_ms != 0)) {
            // Retries of a bad sector, or the extra revolutions of a weak one.
            io_.delayed = true;
            io_.extra_ns += (c.unreadable ? config_.unc_delay_ms : c.delay_ms) * kMs;
            Busy(IoReady(io_.k), &AtaDrive::ReadSectorReady);
            return;
        }
        if (c.unreadable) {
            CountAccess(lba, 1);
            mechanics_.DropCache();
            ErrorAt(lba, ata_error::kUnc);
            return;
        }
    }
    CountAccess(lba, 1);
    io_.delayed = false;
    StartPioIn(media_.Sector(lba), config_.logical_sector_size, &AtaDrive::ReadSectorSent);
}

void AtaDrive::ReadSectorSent()
{
    ++io_.k;
    if (io_.k >= io_.count) {
        mechanics_.Finished(IoReady(io_.k - 1), io_.lba + io_.count);
        Complete();
        return;
    }
    Busy(IoReady(io_.k), &AtaDrive::ReadSectorReady);
}

// ---- WRITE SECTORS ---------------------------------------------------------

void AtaDrive::CmdWriteSectors()
{
    if (BeginIo(false, true)) StartPioOut(config_.logical_sector_size, &AtaDrive::WriteSectorReceived);
}

void AtaDrive::CmdWriteSectorsExt()
{
    if (BeginIo(true, true)) StartPioOut(config_.logical_sector_size, &AtaDrive::WriteSectorReceived);
}

void AtaDrive::WriteSectorReceived()
{
    uint64_t now = NowNs();
    const uint64_t lba = io_.lba + io_.k;
    if (io_.k == 0) {
        now = SpinReady(now);
        io_.timing = mechanics_.Access(now, io_.lba, io_.count, AccessKind::Write, look_ahead_, write_cache_);
        io_.last_done_ns = io_.timing.first_ready_ns;
    } else {
        io_.last_done_ns = std::max(now, io_.last_done_ns) + io_.timing.per_sector_ns;
    }
    if (!defects_.Empty()) {
        const SectorCondition c = defects_.Condition(lba);
        if (c.stuck) {
            StuckBusy();
            return;
        }
        if (c.write_fail) {
            io_.error = ata_error::kAbrt;
            io_.error_status = ata_status::kDf;
            io_.error_lba = lba;
            Busy(io_.last_done_ns + config_.unc_delay_ms * kMs, &AtaDrive::WriteSectorDone);
            return;
        }
        io_.last_done_ns += c.delay_ms * kMs;
        if (c.distort) {
            // A weak write: every eighth byte of the sector is stored inverted.
            for (size_t i = 0; i < config_.logical_sector_size; i += 8)
                xfer_[i] = static_cast<uint8_t>(~xfer_[i]);
        }
    }
    CountAccess(lba, 1);
    media_.Write(lba, xfer_.data());
    if (!defects_.Empty()) defects_.Written(lba);
    if (!long_ecc_.empty()) long_ecc_.erase(lba);
    Busy(io_.last_done_ns, &AtaDrive::WriteSectorDone);
}

void AtaDrive::WriteSectorDone()
{
    if (io_.error != 0) {
        ErrorAt(io_.error_lba, io_.error, io_.error_status);
        return;
    }
    ++io_.k;
    if (io_.k >= io_.count) {
        Complete();
        return;
    }
    StartPioOut(config_.logical_sector_size, &AtaDrive::WriteSectorReceived);
}

// ---- READ VERIFY SECTORS ---------------------------------------------------

void AtaDrive::CmdVerify()
{
    if (BeginIo(false, false)) StartVerify();
}

void AtaDrive::CmdVerifyExt()
{
    if (BeginIo(true, false)) StartVerify();
}

void AtaDrive::StartVerify()
{
    const uint64_t now = SpinReady(NowNs());
    io_.timing = mechanics_.Access(now, io_.lba, io_.count, AccessKind::Verify, look_ahead_, write_cache_);
    uint32_t end_k = io_.count - 1;
    const uint64_t end = io_.lba + io_.count;
    uint64_t pos = io_.lba;
    while (!defects_.Empty() && pos < end) {
        const auto bad = defects_.FirstNotPlain(pos, end - pos);
        if (!bad) break;
        const SectorCondition c = defects_.Condition(*bad);
        const auto k = static_cast<uint32_t>(*bad - io_.lba);
        if (c.stuck) {
            io_.stuck = true;
            end_k = k;
            break;
        }
        if (c.unreadable) {
            io_.extra_ns += config_.unc_delay_ms * kMs;
            io_.error = ata_error::kUnc;
            io_.error_lba = *bad;
            end_k = k;
            break;
        }
        io_.extra_ns += c.delay_ms * kMs;
        pos = *bad + 1;
    }
    CountAccess(io_.lba, end_k + 1);
    Busy(IoReady(end_k), &AtaDrive::VerifyDone);
}

void AtaDrive::VerifyDone()
{
    if (io_.stuck) {
        StuckBusy();
        return;
    }
    if (io_.error != 0) {
        mechanics_.DropCache();
        ErrorAt(io_.error_lba, io_.error);
        return;
    }
    mechanics_.Finished(IoReady(io_.count - 1), io_.lba + io_.count);
    Complete();
}

// ---- SEEK, RECALIBRATE -----------------------------------------------------

void AtaDrive::CmdSeek()
{
    io_ = Io{};
    uint64_t lba = 0;
    if (!AddressOf(false, lba) || lba >= Limit(false)) {
        ErrorAt(lba, ata_error::kIdnf);
        return;
    }
    const uint64_t now = SpinReady(NowNs());
    Busy(mechanics_.Seek(now, lba), &AtaDrive::Complete);
}

void AtaDrive::CmdRecalibrate()
{
    const uint64_t now = SpinReady(NowNs());
    Busy(mechanics_.Recalibrate(now), &AtaDrive::Complete);
}

// ---- READ LONG, WRITE LONG -------------------------------------------------

void AtaDrive::CmdReadLong()
{
    if (regs_.count != 1 || !config_.read_long) {
        Abort();
        return;
    }
    if (!BeginIo(false, true)) return;
    const uint64_t now = SpinReady(NowNs());
    io_.timing = mechanics_.Access(now, io_.lba, 1, AccessKind::Read, false, write_cache_);
    mechanics_.DropCache();
    Busy(IoReady(0), &AtaDrive::ReadLongReady);
}

void AtaDrive::ReadLongReady()
{
    const uint64_t lba = io_.lba;
    const uint32_t size = config_.logical_sector_size;
    const SectorCondition c = defects_.Condition(lba);
    if (c.stuck) {
        StuckBusy();
        return;
    }
    // Long mode reads data and check bytes as they are, without correction; only
    // a damaged surface keeps it from reading at all.
    const bool damaged = c.unreadable && !c.pending && !c.ecc_bad;
    if (damaged || c.delay_ms != 0) {
        if (!io_.delayed) {
            io_.delayed = true;
            io_.extra_ns += (damaged ? config_.unc_delay_ms : c.delay_ms) * kMs;
            Busy(IoReady(0), &AtaDrive::ReadLongReady);
            return;
        }
        if (damaged) {
            ErrorAt(lba, ata_error::kUnc);
            return;
        }
    }
    const uint8_t* data = media_.Sector(lba);
    std::copy_n(data, size, xfer_.begin());
    std::array<uint8_t, 8> ecc = Ecc(data, size);
    if (c.ecc_bad) {
        auto it = long_ecc_.find(lba);
        if (it != long_ecc_.end()) ecc = it->second;
    } else if (c.pending) {
        for (uint8_t& b : ecc)
            b = static_cast<uint8_t>(~b);
    }
    std::copy(ecc.begin(), ecc.end(), xfer_.begin() + size);
    StartPioIn(xfer_.data(), size + 8, &AtaDrive::Complete);
}

void AtaDrive::CmdWriteLong()
{
    if (regs_.count != 1 || !config_.read_long) {
        Abort();
        return;
    }
    if (BeginIo(false, true)) StartPioOut(config_.logical_sector_size + 8, &AtaDrive::WriteLongReceived);
}

void AtaDrive::WriteLongReceived()
{
    const uint64_t lba = io_.lba;
    const uint32_t size = config_.logical_sector_size;
    const uint64_t now = SpinReady(NowNs());
    io_.timing = mechanics_.Access(now, lba, 1, AccessKind::Write, false, false);
    const SectorCondition c = defects_.Condition(lba);
    if (c.stuck) {
        StuckBusy();
        return;
    }
    if (c.write_fail) {
        io_.error = ata_error::kAbrt;
        io_.error_status = ata_status::kDf;
        io_.error_lba = lba;
        Busy(IoReady(0), &AtaDrive::WriteSectorDone);
        return;
    }
    std::array<uint8_t, 8> given{};
    std::copy_n(xfer_.begin() + size, 8, given.begin());
    media_.Write(lba, xfer_.data());
    if (given == Ecc(xfer_.data(), size)) {
        defects_.Written(lba);
        long_ecc_.erase(lba);
    } else {
        // Data and check bytes disagree: the sector reads as uncorrectable from now on.
        defects_.SetEccBad(lba, true);
        long_ecc_[lba] = given;
    }
    io_.count = 1;
    io_.k = 0;
    Busy(IoReady(0) + c.delay_ms * kMs, &AtaDrive::WriteSectorDone);
}

// ---- Access counts ---------------------------------------------------------

void AtaDrive::WatchAccesses(uint64_t first, uint64_t count)
{
    watch_first_ = first;
    watch_counts_.assign(count, 0);
}

uint32_t AtaDrive::AccessCount(uint64_t lba) const
{
    if (lba < watch_first_ || lba - watch_first_ >= watch_counts_.size()) return 0;
    return watch_counts_[lba - watch_first_];
}

void AtaDrive::CountAccess(uint64_t first, uint64_t count)
{
    if (watch_counts_.empty()) return;
    for (uint64_t lba = first; lba < first + count; ++lba)
        if (lba >= watch_first_ && lba - watch_first_ < watch_counts_.size())
            ++watch_counts_[lba - watch_first_];
}

// ---- READ BUFFER, WRITE BUFFER ---------------------------------------------

void AtaDrive::CmdReadBuffer()
{
    StartPioIn(buffer_.data(), buffer_.size(), &AtaDrive::Complete);
}

void AtaDrive::CmdWriteBuffer()
{
    StartPioOut(buffer_.size(), &AtaDrive::WriteBufferReceived);
}

void AtaDrive::WriteBufferReceived()
{
    std::copy_n(xfer_.begin(), buffer_.size(), buffer_.begin());
    Complete();
}

} // namespace mrv::sim
