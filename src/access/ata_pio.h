#pragma once
// The ATA task-file protocol over I/O ports: register loads for 28- and 48-bit
// commands, status polling with time-outs, one-sector PIO transfers, the
// non-data command and the one-sector operations every test uses (which serve
// API mode too, so callers never test the mode themselves).

#include <cstdint>
#include <string>

namespace mrv {

class ProgramImpl;

class AtaPio {
public:
    explicit AtaPio(ProgramImpl& program);

    void SelectDevice();
    void WriteTaskFile28(uint8_t features, uint8_t count, uint8_t command, uint8_t device, uint8_t cyl_high,
                         uint8_t cyl_low, uint8_t sector);
    void WriteTaskFile48(uint16_t features, uint16_t count, uint16_t low, uint16_t mid, uint16_t high, uint8_t device,
                         uint8_t command);
    void IssueLba28(uint8_t count, uint8_t command, uint64_t lba);
    void IssueLba48(uint16_t count, uint8_t command, uint64_t lba);
    /// The one entry for read, write, verify, seek and max-address commands at an
    /// LBA, in the current access mode. PIO only loads the registers.
    bool IssueBlockCommand(uint32_t count, uint8_t command, uint64_t lba);
    uint64_t ReadTaskFileLba();

    /// −1 on time-out, otherwise the elapsed time in 100 µs units.
    int64_t WaitNotBusy();
    bool WaitDataRequest();
    /// `ms` = 0: no limit.
    bool WaitDriveReady(uint32_t ms);
    uint8_t ReadErrorRegister();
    bool IsDriveReady();
    bool IsDriveBusy();
    bool IsDriveFaulted();
    bool ProbeChannel();
    /// The user-level readiness wait, with its log lines.
    bool AwaitDriveReady();
    bool AtaNonDataCommand(uint8_t features, uint8_t count, uint8_t command, uint8_t device, uint8_t cyl_high,
                           uint8_t cyl_low, uint8_t sector);

    bool PioReadSector();
    bool PioReadSectorAux();
    bool PioWriteSector();
    void PioReadSector32();
    void PioWriteSector32();

    bool ReadSector(uint64_t lba);
    bool ReadSectorAux(uint64_t lba);
    bool WriteSector(uint64_t lba);
    void SoftReset();

    static std::string DescribeAtaError(uint8_t code);

private:
    ProgramImpl& p_;
};

} // namespace mrv
