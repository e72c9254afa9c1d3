#pragma once
// One ATA command as a value, and its result. Every route to a drive takes the
// same value: the PIO task file, the legacy SMART request, ATA PASS-THROUGH,
// the IDE register pass-through and the emulated drive.

#include <cstddef>
#include <cstdint>

namespace mrv
{

enum class AtaProtocol { NonData, PioIn, PioOut };

/// Task-file registers. In a 48-bit command each register is two bytes deep:
/// bits 15–8 are the "previous" byte, written first. Read back, `features`
/// holds the error register and `command` the status.
struct AtaRegisters {
    uint16_t features = 0;
    uint16_t count = 0;
    uint16_t lba_low = 0;  ///< sector number
    uint16_t lba_mid = 0;  ///< cylinder low
    uint16_t lba_high = 0; ///< cylinder high
    uint8_t device = 0;
    uint8_t command = 0;
    friend bool operator==(const AtaRegisters&, const AtaRegisters&) = default;
};

/// Where each 28-bit register sits in a byte layout: an ioctl's task array, a
/// command block, sense data.
struct RegisterLayout {
    uint8_t features, count, lba_low, lba_mid, lba_high, device, command;
};

/// The registers at the offsets `at` of `bytes` (28-bit: low bytes only).
AtaRegisters RegistersFromBytes(const uint8_t* bytes, const RegisterLayout& at);

/// Status bits as the indicator lamps name them.
namespace ata_bits
{
inline constexpr uint8_t kBsy = 0x80;
inline constexpr uint8_t kDrdy = 0x40;
inline constexpr uint8_t kDf = 0x20;
inline constexpr uint8_t kDsc = 0x10;
inline constexpr uint8_t kDrq = 0x08;
inline constexpr uint8_t kCorr = 0x04;
inline constexpr uint8_t kIdx = 0x02;
inline constexpr uint8_t kErr = 0x01;
/// Device control register.
inline constexpr uint8_t kSrst = 0x04;
inline constexpr uint8_t kHob = 0x80;
} // namespace ata_bits

/// The highest LBA a 28-bit command can carry.
inline constexpr uint64_t kMaxLba28 = 0x0FFFFFFF;

struct AtaCommand {
    AtaRegisters in;
    /// 48-bit: the previous bytes are loaded before the current ones.
    bool ext = false;
    AtaProtocol protocol = AtaProtocol::NonData;
    /// Data of the PIO protocols, 512 bytes per sector; owned by the caller.
    uint8_t* data = nullptr;
    size_t data_length = 0;
    /// The registers after the command are wanted (pass-through routes ask
    /// the translation to return them).
    bool want_registers = false;
    /// Time-out of pass-through requests.
    uint32_t timeout_seconds = 5;

    /// Sector count; 0 stands for 256 (28-bit) or 65536 (48-bit).
    uint32_t Sectors() const;
    /// The LBA the input registers address.
    uint64_t Lba() const;

    /// A command from its registers (28-bit unless `ext`).
    static AtaCommand NonData(const AtaRegisters& registers, bool ext = false);
    static AtaCommand PioIn(const AtaRegisters& registers, uint8_t* data, size_t length);
    static AtaCommand PioOut(const AtaRegisters& registers, uint8_t* data, size_t length);

    static AtaCommand TaskFile28(uint8_t features, uint8_t count, uint8_t command, uint8_t device,
                                 uint8_t cyl_high, uint8_t cyl_low, uint8_t sector);
    static AtaCommand TaskFile48(uint16_t features, uint16_t count, uint16_t low, uint16_t mid, uint16_t high,
                                 uint8_t device, uint8_t command);
    /// LBA addressing, device 0xE0 with LBA bits 27–24.
    static AtaCommand Lba28(uint8_t count, uint8_t command, uint64_t lba);
    /// LBA addressing, device 0xE0; each register pair holds (LBA bits of the
    /// previous byte, LBA bits of the current byte).
    static AtaCommand Lba48(uint16_t count, uint8_t command, uint64_t lba);
};

/// What a route made of a command.
struct AtaResult {
    /// The command reached the drive and the drive answered without ERR or DF.
    bool ok = false;
    /// The route cannot carry this command; nothing was sent.
    bool refused = false;
    /// Why, when refused (a fixed text).
    const char* refusal = nullptr;
    /// No answer within the time-out.
    bool timed_out = false;
    /// The register fields below hold what the drive returned.
    bool registers_valid = false;
    uint8_t status = 0;
    uint8_t error = 0;
    uint16_t count = 0; ///< previous byte in bits 15–8 for 48-bit commands
    uint64_t lba = 0;   ///< 28 or 48 bits as the command was
    uint8_t device = 0;
    /// Data bytes moved.
    uint32_t transferred = 0;
    /// API routes: the system's error number when the request itself failed.
    uint32_t system_error = 0;

    bool Ok() const { return ok; }
    static AtaResult Refused(const char* why)
    {
        AtaResult r;
        r.refused = true;
        r.refusal = why;
        return r;
    }
    /// The registers as the read-back layout (error in `features`, status in `command`).
    AtaRegisters Registers() const;
    /// Fills the register fields from a read-back (28-bit view unless `ext`).
    void SetRegisters(const AtaRegisters& registers, bool ext);
};

/// The 48-bit command that serves a 28-bit block command (READ, WRITE, VERIFY,
/// SEEK and the max-address commands); 0x00 for any other command.
uint8_t ExtendedBlockCommand(uint8_t command);

} // namespace mrv
