#pragma once
// The SCSI side of the virtual PC's drives: a translating layer (a SATA port's
// SCSI/ATA translation, a USB bridge, a SCSI-only bridge or a virtual disk
// controller) that turns SCSI command blocks into commands of the emulated
// ATA drive and answers with status and sense data as real translators do.

#include "platform/os_devices.h"
#include "sim/ata_drive.h"

#include <cstdint>
#include <string>

namespace mrv::sim
{

/// What a translator passes on.
struct BridgeCaps {
    bool ata_pass_through_16 = true;
    bool ata_pass_through_12 = true;
    std::string vendor = "ATA"; ///< INQUIRY vendor identification (8 characters)
};

class UsbBridge
{
  public:
    UsbBridge(AtaDrive& drive, BridgeCaps caps) : drive_(drive), caps_(std::move(caps)) {}

    /// Runs one SCSI command. False (with `error` a Windows error number) when
    /// the request never reached a device: a drive that stays busy.
    bool Execute(const ScsiRequest& request, ScsiReply& reply, uint32_t& error);

    /// Capacity in logical sectors and their size, as READ CAPACITY reports them.
    uint64_t Sectors() const { return drive_.MaxSectors(); }
    uint32_t SectorSize() const { return drive_.Config().logical_sector_size; }

    /// The ATA command that moves or checks `count` sectors at `lba` (28-bit
    /// form when it fits).
    static AtaCommand BlockCommand(uint8_t command28, uint8_t command48, uint64_t lba, uint32_t count);

  private:
    void Inquiry(const ScsiRequest& request, ScsiReply& reply);
    void ReadCapacity10(const ScsiRequest& request, ScsiReply& reply);
    void ReadCapacity16(const ScsiRequest& request, ScsiReply& reply);
    bool Verify(uint64_t lba, uint32_t count, ScsiReply& reply, uint32_t& error);
    bool StartStop(const ScsiRequest& request, ScsiReply& reply, uint32_t& error);
    bool AtaPassThrough(const ScsiRequest& request, ScsiReply& reply, uint32_t& error);

    AtaDrive& drive_;
    BridgeCaps caps_;
};

/// Fixed-format sense (70h) with a key, additional sense code and qualifier;
/// `information` goes into bytes 3–6 with the VALID bit when given.
void FixedSense(ScsiReply& reply, uint8_t key, uint8_t asc, uint8_t ascq,
                const uint64_t* information = nullptr);

} // namespace mrv::sim
