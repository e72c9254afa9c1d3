#pragma once
// One emulated ATA device: its register file, the phase machine (idle, busy,
// PIO data-in, PIO data-out) and the command table. Hosts reach it through the
// register interface (an IDE channel's ports) or through `Execute`, which takes
// one ATA command as a value, for the OS-device fronts.

#include "platform/ata_command.h"
#include "platform/clock.h"
#include "sim/ata_registers.h"
#include "sim/defect_map.h"
#include "sim/drive_config.h"
#include "sim/mechanics_model.h"
#include "sim/media_store.h"
#include "sim/security_model.h"
#include "sim/smart_model.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace mrv::sim
{

/// A command from a host's point of view: the registers an LBA, a count and
/// a device byte give (previous bytes filled for a 48-bit command).
AtaCommand MakeAtaCommand(uint8_t command, uint16_t features, uint16_t count, uint64_t lba, uint8_t device,
                          bool ext, AtaProtocol protocol);

enum class Phase { Idle, Busy, PioIn, PioOut };

class AtaDrive
{
  public:
    AtaDrive(DriveConfig config, Clock& clock, uint32_t cpu_mhz);
    ~AtaDrive();

    /// Opens the image file when the lab names one.
    bool Open(std::string& error);

    /// The lock that serialises access; a channel shares its own with both devices.
    std::mutex& Lock() { return *lock_; }
    void ShareLock(std::mutex* lock) { lock_ = lock; }
    /// Position on the channel (the DEV bit this device answers to).
    void SetSlave(bool slave) { slave_ = slave; }
    bool IsSlave() const { return slave_; }

    // Register interface (the caller holds Lock()).
    uint8_t ReadRegister(AtaReg reg, bool hob);
    /// Every device on the channel latches command-block writes.
    void WriteRegister(AtaReg reg, uint8_t value);
    void WriteCommand(uint8_t command);
    void ReadData(uint8_t* dst, size_t bytes);
    void WriteData(const uint8_t* src, size_t bytes);
    uint8_t AlternateStatus();
    /// The SRST bit of the device-control register.
    void SetResetLine(bool asserted);
    bool Selected() const { return ((regs_.device & 0x10) != 0) == slave_; }

    // Power (the adaptor on the channel, or the lab's power cycle).
    void PowerOff();
    void PowerOn();
    bool Powered() const { return powered_; }
    /// The supply fails while the n-th command from now runs (1: the next one;
    /// 0 disarms): the command is accepted (BSY), then the drive goes dark.
    void VanishAfterCommands(uint32_t n);
    /// Who switches the supply off when it fails: the channel, so that its power
    /// adaptor reads off and its "on" brings the drive back. Without one the
    /// drive powers itself off. Runs with Lock() held.
    void OnSupplyLost(std::function<void()> handler) { supply_lost_ = std::move(handler); }

    /// Runs one command to its end through the same machine (locks by itself).
    AtaResult Execute(const AtaCommand& command);

    // Inspection for tests and the lab.
    const DriveConfig& Config() const { return config_; }
    Clock& Time() { return clock_; }
    MediaStore& Media() { return media_; }
    DefectMap& Defects() { return defects_; }
    SmartModel& Smart() { return smart_; }
    SecurityModel& Security() { return security_; }
    SmartLive Live();
    Phase CurrentPhase() const { return phase_; }
    bool Stuck() const { return stuck_; }
    bool Standby() const { return standby_; }
    bool WriteCacheOn() const { return write_cache_; }
    bool LookAheadOn() const { return look_ahead_; }
    uint8_t AamValue() const { return aam_enabled_ ? aam_value_ : 0; }
    uint64_t MaxSectors() const { return current_max_; }
    uint64_t PermanentMaxSectors() const { return permanent_max_; }
    uint64_t NativeSectors() const { return config_.native_sectors; }
    const std::array<uint8_t, 512>& Buffer() const { return buffer_; }
    uint64_t NowNs();
    void BuildIdentify(uint16_t* words);
    /// Counts, per sector of [first, first + count), the reads, verifies and
    /// writes that reach the media from now on (for tests of coverage).
    void WatchAccesses(uint64_t first, uint64_t count);
    /// Accesses of a watched sector so far (0 outside the window).
    uint32_t AccessCount(uint64_t lba) const;
    /// From now on every n-th data command fails with ICRC (0: none), as the
    /// lab key `InterfaceCrc` does from power-on; for faults that must not
    /// strike before a test reaches the operation it examines.
    void SetInterfaceCrcEvery(uint32_t every);
    /// Check bytes that READ LONG returns for good data.
    static std::array<uint8_t, 8> Ecc(const uint8_t* data, size_t size);

    struct CommandInfo {
        void (AtaDrive::*handler)() = nullptr;
        uint16_t flags = 0;
    };
    static constexpr uint16_t kMedia = 0x01; ///< aborted while security locks the drive
    static constexpr uint16_t kExt = 0x02;   ///< 48-bit addressing

  private:
    using Step = void (AtaDrive::*)();

    static const std::array<CommandInfo, 256>& Table();
    void Poll();
    void Busy(uint64_t until_ns, Step next);
    void StuckBusy();
    void StartPioIn(const uint8_t* src, size_t bytes, Step done);
    void StartPioOut(size_t bytes, Step done);
    void Complete();
    void Abort(uint8_t error = ata_error::kAbrt);
    void ErrorAt(uint64_t lba, uint8_t error, uint8_t extra_status = 0);
    void ResetDone();
    void PowerOnDone();
    void SupplyFails();
    /// Time at which the platter is ready for an access issued now (spin-up from standby).
    uint64_t SpinReady(uint64_t now);
    bool TakeInterfaceCrc();
    void CountAccess(uint64_t first, uint64_t count);

    // I/O commands (ata_commands_io.cpp).
    bool BeginIo(bool ext, bool transfer);
    bool AddressOf(bool ext, uint64_t& lba);
    uint64_t Limit(bool ext) const;
    void StartRead();
    uint64_t IoReady(uint32_t k) const;
    void CmdReadSectors();
    void CmdReadSectorsExt();
    void ReadSectorReady();
    void ReadSectorSent();
    void CmdWriteSectors();
    void CmdWriteSectorsExt();
    void WriteSectorReceived();
    void WriteSectorDone();
    void CmdVerify();
    void CmdVerifyExt();
    void StartVerify();
    void VerifyDone();
    void CmdSeek();
    void CmdRecalibrate();
    void CmdReadLong();
    void ReadLongReady();
    void CmdWriteLong();
    void WriteLongReceived();
    void CmdReadBuffer();
    void CmdWriteBuffer();
    void WriteBufferReceived();

    // Configuration and power (ata_commands_config.cpp).
    void CmdIdentify();
    /// `block_` holds a 512-byte answer: raise DRQ for it.
    void BlockReady();
    void CmdSetFeatures();
    void CmdReadNativeMax();
    void CmdReadNativeMaxExt();
    void CmdSetMax();
    void CmdSetMaxExt();
    void SetMax(uint64_t lba, bool ext);
    void CmdStandbyImmediate();
    void StandbyDone();
    void CmdIdleImmediate();
    void CmdCheckPowerMode();
    void CmdFlushCache();
    void CmdDiagnostic();
    void CmdInitParams();
    void CmdSetMultiple();
    void CmdDco();

    // SMART (ata_commands_smart.cpp).
    void CmdSmart();
    void SmartCaptiveDone();

    // Security (ata_commands_security.cpp).
    void CmdSecuritySetPassword();
    void SecuritySetPasswordReceived();
    void CmdSecurityUnlock();
    void SecurityUnlockReceived();
    void CmdSecurityErasePrepare();
    void CmdSecurityEraseUnit();
    void SecurityEraseReceived();
    void SecurityEraseDone();
    void CmdSecurityFreezeLock();
    void CmdSecurityDisablePassword();
    void SecurityDisableReceived();

    DriveConfig config_;
    Clock& clock_;
    uint32_t cpu_mhz_;
    std::mutex own_lock_;
    std::mutex* lock_ = &own_lock_;
    bool slave_ = false;

    MediaStore media_;
    DefectMap defects_;
    MechanicsModel mechanics_;
    SmartModel smart_;
    SecurityModel security_;

    DeviceRegisterFile regs_;
    Phase phase_ = Phase::Idle;
    uint64_t busy_until_ = 0;
    Step next_ = nullptr;
    bool stuck_ = false;
    bool reset_asserted_ = false;
    bool erasing_ = false;
    bool powered_ = true;
    uint32_t vanish_countdown_ = 0; ///< commands until the supply fails; 0: it does not
    std::function<void()> supply_lost_;

    // Data phase.
    std::vector<uint8_t> xfer_;
    const uint8_t* data_src_ = nullptr;
    size_t data_len_ = 0;
    size_t data_pos_ = 0;
    Step data_done_ = nullptr;

    // The multi-sector command in progress.
    struct Io {
        uint64_t lba = 0;
        uint32_t count = 0;
        uint32_t k = 0;
        bool ext = false;
        AccessTiming timing;
        uint64_t extra_ns = 0; ///< delays of slow and retried sectors so far
        uint64_t last_done_ns = 0;
        bool delayed = false; ///< the current sector's extra delay was paid
        uint64_t error_lba = 0;
        uint8_t error = 0;
        uint8_t error_status = 0;
        bool stuck = false;
    } io_;

    // State the host changes.
    bool write_cache_;
    bool look_ahead_;
    bool aam_enabled_;
    uint8_t aam_value_;
    bool apm_enabled_;
    uint8_t apm_value_;
    int udma_selected_;
    int mwdma_selected_ = -1;
    uint8_t multiple_ = 16;
    bool standby_ = false;
    uint64_t current_max_;
    uint64_t permanent_max_;
    bool set_max_permanent_done_ = false;
    uint8_t last_command_ = 0;
    bool last_command_ok_ = false;
    uint8_t prev_command_ = 0;
    bool prev_command_ok_ = false;
    std::array<uint8_t, 512> buffer_{};
    std::array<uint8_t, 512> block_{};
    std::map<uint64_t, std::array<uint8_t, 8>> long_ecc_;
    uint64_t watch_first_ = 0;
    std::vector<uint32_t> watch_counts_;

    // Life counters.
    uint32_t power_cycles_ = 0;
    uint32_t start_stops_ = 0;
    uint32_t crc_errors_ = 0;
    uint32_t data_commands_ = 0;
    uint64_t powered_ns_ = 0; ///< powered time before the current power-on
    uint64_t power_on_at_ns_ = 0;
    uint64_t spinning_since_ns_ = 0;
};

} // namespace mrv::sim
